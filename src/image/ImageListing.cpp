#include "image/ImageListing.h"

#include "image/ImageError.h"

#include <limits>

void ImageListing::reserve(qsizetype entries, qsizetype nameBytes)
{
    m_items.reserve(std::size_t(entries));
    m_names.reserve(nameBytes);
}

void ImageListing::append(QByteArrayView name, ImageEntry::Kind kind, bool detailed)
{
    // A directory larger than the readers accept, or a name longer than any file system keeps.
    if (m_names.size() + name.size() > std::numeric_limits<quint32>::max() ||
        name.size() > std::numeric_limits<quint16>::max())
        throw ImageError(ImageFault::TooLarge);
    m_items.push_back({quint32(m_names.size()), quint16(name.size()), kind, detailed});
    m_names.append(name);
}

qsizetype ImageListing::indexOf(QByteArrayView name) const
{
    for (qsizetype index = 0; index < size(); ++index) {
        if (this->name(index) == name)
            return index;
    }
    return -1;
}
