#include "archive/ArchiveListing.h"

#include "archive/MemberLine.h"
#include "base/AppError.h"
#include "base/PlainNotice.h"
#include "platform/FileDescriptor.h"
#include "platform/TextCodec.h"
#include "platform/VolumeFiles.h"

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<QStringView, 15> ListedEndings{
    u".7z",  u".rar",  u".cab",     u".lzh", u".lha",    u".tar",  u".tgz", u".tar.gz",
    u".tbz", u".tbz2", u".tar.bz2", u".txz", u".tar.xz", u".cpio", u".iso",
};

// Large enough that a header-only walk over a tar or an ISO needs few reads.
constexpr size_t BlockSize = 64 * 1024;

// The reader converts names that a format stores in a known character set (7z, RAR, Joliet, pax
// headers) into the locale's multibyte text, and drops them when that fails, as it does under
// the C locale. A UTF-8 locale for the listing thread keeps every such name.
class Utf8Names final
{
public:
    Utf8Names()
    {
        static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (utf8)
            m_previous = ::uselocale(utf8);
    }
    ~Utf8Names()
    {
        if (m_previous)
            ::uselocale(m_previous);
    }
    Q_DISABLE_COPY_MOVE(Utf8Names)

private:
    locale_t m_previous = nullptr;
};

using ArchiveReader = std::unique_ptr<archive, decltype(&archive_read_free)>;

// Names in a known character set arrive as UTF-8; the formats that store bare bytes (tar, cpio,
// LHA, most CABs) are read as the ZIP lister reads them: UTF-8 when valid, else CP437.
QString memberName(archive_entry *entry)
{
    if (const char *name = archive_entry_pathname(entry))
        return decodeText(QByteArrayView(name), SingleByteFallback::Cp437);
    if (const wchar_t *wide = archive_entry_pathname_w(entry))
        return QString::fromWCharArray(wide);
    return {};
}

enum class Ending
{
    Complete,
    Unreadable,
    Encrypted
};

// Appends one line per member until the archive ends or fails.
Ending listMembers(archive *reader, QStringList &lines)
{
    bool encrypted = false;
    archive_entry *entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(reader, &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            return archive_read_has_encrypted_entries(reader) > 0 ? Ending::Encrypted
                                                                  : Ending::Unreadable;
        encrypted = encrypted || archive_entry_is_encrypted(entry);
        QString name = memberName(entry);
        const bool directory = archive_entry_filetype(entry) == AE_IFDIR;
        // The folder the archive was made from is no member (ISO images and "tar -C dir ." have
        // one); other folders end in "/" as in a ZIP, with size 0.
        if (name == u"." || name == u"./")
            continue;
        if (directory && !name.endsWith(u'/'))
            name.append(u'/');
        const la_int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        lines.append(memberLine(name, directory || size < 0 ? 0 : quint64(size)));
        if (archive_read_data_skip(reader) != ARCHIVE_OK)
            return encrypted ? Ending::Encrypted : Ending::Unreadable;
    }
    return encrypted ? Ending::Encrypted : Ending::Complete;
}

// A file inside a disc image is read through its device, with the block buffer the fd reader
// would use and seeks for the formats that jump (7z, ZIP-like CABs).
class DeviceSource final
{
public:
    explicit DeviceSource(std::unique_ptr<QIODevice> device)
        : m_device(std::move(device)), m_block(BlockSize, Qt::Uninitialized)
    {}

    int openOn(archive *reader)
    {
        archive_read_set_seek_callback(reader, &DeviceSource::seek);
        return archive_read_open2(reader, this, nullptr, &DeviceSource::read, &DeviceSource::skip,
                                  nullptr);
    }

private:
    static la_ssize_t read(archive *, void *data, const void **buffer)
    {
        auto *self = static_cast<DeviceSource *>(data);
        *buffer = self->m_block.constData();
        return la_ssize_t(self->m_device->read(self->m_block.data(), self->m_block.size()));
    }
    static la_int64_t skip(archive *, void *data, la_int64_t request)
    {
        auto *self = static_cast<DeviceSource *>(data);
        const qint64 from = self->m_device->pos();
        const qint64 to = qMin(self->m_device->size(), from + request);
        return self->m_device->seek(to) ? to - from : 0;
    }
    static la_int64_t seek(archive *, void *data, la_int64_t offset, int whence)
    {
        auto *self = static_cast<DeviceSource *>(data);
        const qint64 base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? self->m_device->pos()
                                                 : self->m_device->size();
        return self->m_device->seek(base + offset) ? self->m_device->pos() : ARCHIVE_FATAL;
    }

    std::unique_ptr<QIODevice> m_device;
    QByteArray m_block;
};

ArchiveReader newReader(const QString &path)
{
    ArchiveReader reader(archive_read_new(), &archive_read_free);
    if (!reader)
        throw AppError(u"Datei "_s + path + u" kann nicht geöffnet werden"_s);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    return reader;
}

void noteEnding(Ending ending, const QString &path, PlainNotice &notices)
{
    if (ending == Ending::Encrypted)
        notices.plainMessage(u"Datei "_s + path + u" verschlüsselt"_s);
    else if (ending == Ending::Unreadable)
        notices.plainMessage(u"Datei "_s + path + u" nicht lesbar"_s);
}

int listImageMembers(const QString &path, const QByteArray &nativePath, QStringList &lines,
                     PlainNotice &notices)
{
    std::unique_ptr<QIODevice> device = openImageFile(nativePath);
    if (!device) {
        notices.plainMessage(u"Datei "_s + path + u" nicht vorhanden"_s);
        return 0;
    }
    const Utf8Names utf8Names;
    const ArchiveReader reader = newReader(path);
    DeviceSource source(std::move(device));
    const qsizetype before = lines.size();
    Ending ending = Ending::Unreadable;
    if (source.openOn(reader.get()) == ARCHIVE_OK)
        ending = listMembers(reader.get(), lines);
    noteEnding(ending, path, notices);
    return int(lines.size() - before);
}

} // namespace

bool isListedArchiveName(QStringView path)
{
    for (const QStringView ending : ListedEndings) {
        if (path.endsWith(ending, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// O_NONBLOCK: should a FIFO take the file's place, the open must not block. As for a ZIP, only a
// regular file counts as present.
int ListArchiveMembers(const QString &path, const QByteArray &nativePath, QStringList &lines,
                       PlainNotice &notices)
{
    if (isImagePath(nativePath))
        return listImageMembers(path, nativePath, lines, notices);
    const FileDescriptor file(
        ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status;
    const bool missing = file.get() < 0
                             ? errno == ENOENT || errno == ENOTDIR
                             : ::fstat(file.get(), &status) == 0 && !S_ISREG(status.st_mode);
    if (missing) {
        notices.plainMessage(u"Datei "_s + path + u" nicht vorhanden"_s);
        return 0;
    }
    if (file.get() < 0)
        throw AppError(u"Datei "_s + path + u" kann nicht geöffnet werden"_s);

    const Utf8Names utf8Names;
    const ArchiveReader reader = newReader(path);
    const qsizetype before = lines.size();
    Ending ending = Ending::Unreadable;
    if (archive_read_open_fd(reader.get(), file.get(), BlockSize) == ARCHIVE_OK)
        ending = listMembers(reader.get(), lines);
    noteEnding(ending, path, notices);
    return int(lines.size() - before);
}
