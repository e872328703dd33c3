#include "scan/SideTextCapture.h"

#include "archive/ArchiveListing.h"
#include "archive/ZipLst32.h"
#include "scan/DescriptionText.h"
#include "scan/DisplayLines.h"

using namespace Qt::StringLiterals;

SideTextCapture::SideTextCapture(const PathMapper &paths, SideTextStore &store,
                                 PlainNotice &notices)
    : m_paths(paths), m_store(store), m_notices(notices), m_finder(paths)
{}

void SideTextCapture::reset()
{
    m_store.releaseAll();
    m_finder.clear();
    m_last.reset();
}

void SideTextCapture::attachListing(const QString &path, int position, QStringList &shown)
{
    shown.clear();
    ListZipMembers(path, m_paths.toNative(path).value_or(QByteArray()), shown, m_notices);
    recordListing(position, shown);
}

void SideTextCapture::attachArchiveListing(const QString &path, int position, QStringList &shown)
{
    shown.clear();
    ListArchiveMembers(path, m_paths.toNative(path).value_or(QByteArray()), shown, m_notices);
    recordListing(position, shown);
}

void SideTextCapture::recordListing(int position, const QStringList &lines)
{
    SideTextStore::SideText &listing = m_store.create(SideTextStore::Kind::Listing, position);
    for (const QString &line : lines)
        listing.text += line + u"\r\n"_s;
}

void SideTextCapture::captureDescription(const QString &path, int position, bool cut,
                                         qint32 lineLimit)
{
    const std::optional<DescriptionCandidate> candidate = m_finder.find(path);
    if (!candidate)
        return;
    SideTextStore::SideText &description =
        m_store.create(SideTextStore::Kind::Description, position);

    const bool cuts = cut && !candidate->isFileIdDiz;
    if (!m_last || m_last->nativePath != candidate->nativePath || m_last->cut != cuts ||
        m_last->lineLimit != lineLimit) {
        m_last.reset();
        QString text =
            loadDescription(candidate->nativePath, candidate->programPath, candidate->isFileIdDiz);
        if (cuts)
            text = cutToLineLimit(text, lineLimit);
        m_last = LastDescription{candidate->nativePath, cuts, lineLimit, std::move(text)};
    }
    description.text = m_last->text;
}
