#pragma once

#include "image/ImageEntry.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The names and kinds of one directory's entries in recorded order, the names packed into one
// buffer: a walk keeps the listing of every directory of an image, and a string apiece would cost
// an allocation for each of its files.
class ImageListing final
{
public:
    // Room for about that many entries and bytes of names, where a reader can tell beforehand.
    void reserve(qsizetype entries, qsizetype nameBytes);
    void append(QByteArrayView name, ImageEntry::Kind kind, bool detailed);

    qsizetype size() const { return qsizetype(m_items.size()); }
    QByteArrayView name(qsizetype index) const
    {
        const Item &item = m_items[std::size_t(index)];
        return QByteArrayView(m_names).sliced(item.offset, item.length);
    }
    ImageEntry::Kind kind(qsizetype index) const { return m_items[std::size_t(index)].kind; }
    // False for a file listed without its own entry (see ImageEntry::detailed).
    bool isDetailed(qsizetype index) const { return m_items[std::size_t(index)].detailed; }
    // The first entry of that name; -1 when there is none.
    qsizetype indexOf(QByteArrayView name) const;

private:
    struct Item
    {
        quint32 offset;
        quint16 length;
        ImageEntry::Kind kind;
        bool detailed;
    };

    QByteArray m_names;
    std::vector<Item> m_items;
};
