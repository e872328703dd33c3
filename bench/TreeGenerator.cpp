#include "TreeGenerator.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array Extensions{"EXE", "COM", "BAT", "ZIP", "PAS", "DPR", "DOC", "TXT", "DAT",
                                "INF", "DLL", "HLP", "INI", "BMP", "PCX", "GIF", "WAV", "MID"};
constexpr std::array ExtensionWeights{12, 3, 4, 6, 5, 2, 5, 8, 9, 2, 5, 2, 3, 4, 2, 3, 3, 2};
// Extensions of a present-day disk, "" for none; weights favour the common ones.
constexpr std::array ModernExtensions{
    "",     "txt",  "h",   "c",   "cpp",    "py",     "pyc",     "so",  "so.6",  "a",    "o",
    "png",  "svg",  "jpg", "gz",  "tar.gz", "xz",     "html",    "css", "js",    "json", "xml",
    "mo",   "po",   "md",  "rst", "conf",   "ini",    "desktop", "pc",  "cmake", "pm",   "rb",
    "ttf",  "otf",  "mp3", "ogg", "pdf",    "doc",    "EXE",     "dll", "ZIP",   "zip",  "ko.xz",
    "1.gz", "8.gz", "TXT", "bak", "log",    "sqlite", "deb",     "jar", "class", "go",   "rs"};
constexpr std::array ModernWeights{10, 6, 9, 6, 4, 7, 5, 5, 2, 2, 3, 6, 5, 3, 3, 2, 2, 4, 2,
                                   4,  4, 3, 4, 2, 3, 2, 2, 1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 2,
                                   1,  2, 2, 1, 1, 1, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1};
static_assert(ModernExtensions.size() == ModernWeights.size());
constexpr std::array ModernWords{
    "libfoo",       "Qt6",    "config", "Makefile", "test",    "data",       "backup", "Urlaub",
    "Präsentation", "résumé", "index",  "core",     "version", "2023-07-14", "final",  "copy of",
    "日本語",       "x86_64", "locale", "share",    "module",  "__init__",   "README", "v1.2.3"};

constexpr std::array CommonNames{"SETUP", "INSTALL", "GO", "START", "CONFIG", "ORDER", "LICENSE"};
constexpr std::array Words{"SHAREWARE", "utility", "for",  "DOS",     "and",        "Windows",
                           "the",       "best",    "game", "version", "registered", "free",
                           "fast",      "disk",    "tool", "with",    "sound",      "graphics",
                           "new",       "update",  "-",    "(c)",     "1995"};

struct Folder
{
    std::string path; // ends in "/"
    std::set<std::string> names;
};

void writeFile(const std::string &path, const std::string &content)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, content.data(), content.size()) != ssize_t(content.size()))
        qFatal("cannot write %s", path.c_str());
    ::close(fd);
}

void putLittleEndian(std::string &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

std::uint32_t crc32(const std::string &data)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char byte : data) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// Members stored uncompressed with local headers, central directory and end record, as a
// lister that walks the local headers expects them.
std::string zipArchive(const std::vector<std::pair<std::string, std::string>> &members)
{
    constexpr std::uint32_t DosDate = (15u << 25) | (6u << 21) | (1u << 16); // 1995-06-01
    std::string archive;
    std::string directory;
    for (const auto &[name, data] : members) {
        const std::uint32_t offset = std::uint32_t(archive.size());
        const std::uint32_t crc = crc32(data);
        const auto common = [&](std::string &out) {
            putLittleEndian(out, 10, 2); // version needed
            putLittleEndian(out, 0, 2);  // flags
            putLittleEndian(out, 0, 2);  // stored
            putLittleEndian(out, DosDate, 4);
            putLittleEndian(out, crc, 4);
            putLittleEndian(out, std::uint32_t(data.size()), 4);
            putLittleEndian(out, std::uint32_t(data.size()), 4);
            putLittleEndian(out, std::uint32_t(name.size()), 2);
            putLittleEndian(out, 0, 2); // extra field
        };
        putLittleEndian(archive, 0x04034b50, 4);
        common(archive);
        archive += name + data;
        putLittleEndian(directory, 0x02014b50, 4);
        putLittleEndian(directory, 20, 2); // made by
        common(directory);
        putLittleEndian(directory, 0, 2); // comment length
        putLittleEndian(directory, 0, 2); // disk
        putLittleEndian(directory, 0, 2); // internal attributes
        putLittleEndian(directory, 0, 4); // external attributes
        putLittleEndian(directory, offset, 4);
        directory += name;
    }
    const std::uint32_t directoryOffset = std::uint32_t(archive.size());
    archive += directory;
    putLittleEndian(archive, 0x06054b50, 4);
    putLittleEndian(archive, 0, 4);
    putLittleEndian(archive, std::uint32_t(members.size()), 2);
    putLittleEndian(archive, std::uint32_t(members.size()), 2);
    putLittleEndian(archive, std::uint32_t(directory.size()), 4);
    putLittleEndian(archive, directoryOffset, 4);
    putLittleEndian(archive, 0, 2);
    return archive;
}

class Generator final
{
public:
    explicit Generator(const TreeShape &shape) : m_shape(shape), m_random(shape.seed) {}

    void build(const std::string &tree)
    {
        m_folders.push_back({tree + '/', {}});
        makeFolders();
        int files = 0;
        for (int folder = 0; folder < int(m_folders.size()) && files < m_shape.files; ++folder) {
            if (chance(25) && add(folder, "FILE_ID.DIZ", text(3, 8, 44)))
                ++files;
            if (files < m_shape.files && chance(20) && add(folder, "README.TXT", text(5, 30, 72)))
                ++files;
        }
        for (; files < m_shape.files; ++files) {
            const int folder = int(pick(m_folders.size()));
            const std::string extension = m_shape.realistic
                                              ? ModernExtensions[weighted(ModernWeights)]
                                              : Extensions[weighted(ExtensionWeights)];
            const std::string name = uniqueName(folder, [&] {
                if (m_shape.realistic)
                    return modernName() + (extension.empty() ? "" : '.' + extension);
                const std::string base =
                    chance(10) ? CommonNames[pick(CommonNames.size())] : randomName();
                return base + '.' + extension;
            });
            writeFile(m_folders[folder].path + name,
                      extension == "ZIP" ? randomZip() : std::string());
        }
    }

private:
    // A few dozen folders in the root, as on a disc; the rest spread over the deeper levels with
    // the middle ones fullest.
    void makeFolders()
    {
        std::vector<std::vector<int>> levels{{0}, {}};
        const int topLevel = std::min(m_shape.folders, 8 + m_shape.folders / 1000);
        std::vector<double> weights;
        for (int depth = 2; depth <= m_shape.maxDepth; ++depth)
            weights.push_back(depth * std::exp(-depth / 2.5));
        std::discrete_distribution<int> deeper(weights.begin(), weights.end());
        for (int i = 0; i < m_shape.folders; ++i) {
            const int wanted = i < topLevel || weights.empty() ? 1 : deeper(m_random) + 2;
            const int depth = std::min(wanted, int(levels.size()) - 1);
            const std::vector<int> &parents = levels[depth - 1];
            const int parent = parents[pick(parents.size())];
            const std::string path =
                m_folders[parent].path +
                uniqueName(parent,
                           [&] { return m_shape.realistic ? modernName() : randomName(); }) +
                '/';
            if (::mkdir(path.c_str(), 0755) != 0)
                qFatal("cannot create %s", path.c_str());
            levels[depth].push_back(int(m_folders.size()));
            if (depth + 1 == int(levels.size()))
                levels.emplace_back();
            m_folders.push_back({path, {}});
        }
    }

    std::size_t pick(std::size_t count)
    {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(m_random);
    }
    bool chance(int percent) { return int(pick(100)) < percent; }
    template <typename Weights> std::size_t weighted(const Weights &weights)
    {
        return std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(m_random);
    }

    std::string randomName()
    {
        static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        static constexpr char Characters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
        std::string name(1, Letters[pick(26)]);
        for (std::size_t length = 2 + pick(7); name.size() < length;)
            name.push_back(Characters[pick(sizeof Characters - 1)]);
        return name;
    }

    // Words joined by blanks, dashes, dots or nothing, with a number now and then: 5 to 80 bytes.
    std::string modernName()
    {
        static constexpr std::array Joints{" ", "-", "_", ".", ""};
        std::string name = ModernWords[pick(ModernWords.size())];
        for (std::size_t words = pick(5); words > 0 && name.size() < 60; --words)
            name +=
                std::string(Joints[pick(Joints.size())]) + ModernWords[pick(ModernWords.size())];
        if (chance(30))
            name += '-' + std::to_string(pick(100000));
        return name;
    }

    template <typename Make> std::string uniqueName(int folder, Make make)
    {
        for (;;) {
            std::string name = make();
            if (m_folders[folder].names.insert(name).second)
                return name;
        }
    }

    bool add(int folder, const std::string &name, const std::string &content)
    {
        if (!m_folders[folder].names.insert(name).second)
            return false;
        writeFile(m_folders[folder].path + name, content);
        return true;
    }

    std::string text(int minLines, int maxLines, std::size_t width)
    {
        std::string result;
        for (std::size_t lines = minLines + pick(maxLines - minLines + 1); lines > 0; --lines) {
            std::string line;
            for (const std::size_t length = width / 2 + pick(width / 2); line.size() < length;)
                line += std::string(Words[pick(Words.size())]) + ' ';
            result += line + "\r\n";
        }
        return result;
    }

    std::string randomZip()
    {
        std::vector<std::pair<std::string, std::string>> members;
        for (std::size_t count = 1 + pick(4); members.size() < count;) {
            members.emplace_back(randomName() + '.' + Extensions[weighted(ExtensionWeights)],
                                 text(1, 4, 60));
        }
        return zipArchive(members);
    }

    const TreeShape m_shape;
    std::mt19937 m_random;
    std::vector<Folder> m_folders;
};

} // namespace

QString generateTree(const QString &root, const TreeShape &shape)
{
    const QString tree = u"%1/tree-%2-%3-%4-%5%6"_s.arg(root)
                             .arg(shape.files)
                             .arg(shape.folders)
                             .arg(shape.maxDepth)
                             .arg(shape.seed)
                             .arg(shape.realistic ? u"-real"_s : QString());
    const QString marker = tree + u".complete"_s;
    if (QFile::exists(marker) && QDir(tree).exists())
        return tree;
    QFile::remove(marker);
    QDir(tree).removeRecursively();
    if (!QDir().mkpath(tree))
        qFatal("cannot create %s", qPrintable(tree));
    Generator(shape).build(QFile::encodeName(tree).toStdString());
    if (QFile done(marker); !done.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(marker));
    return tree;
}
