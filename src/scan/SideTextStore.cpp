#include "scan/SideTextStore.h"

#include "scan/DisplayLines.h"

using namespace Qt::StringLiterals;

QStringList SideTextStore::SideText::lines() const
{
    if (kind == Kind::Description)
        return displayLines(text);
    QStringList result = text.split(u"\r\n"_s);
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

QString SideTextStore::nameOf(Kind kind, int position)
{
    return (kind == Kind::Description ? u"mem"_s : u"zip"_s) + QString::number(position);
}

SideTextStore::SideText &SideTextStore::create(Kind kind, int position)
{
    SideText &created = m_texts[nameOf(kind, position)];
    created = SideText{kind, {}};
    return created;
}

const SideTextStore::SideText *SideTextStore::find(const QString &name) const
{
    const auto found = m_texts.constFind(name);
    return found == m_texts.cend() ? nullptr : &found.value();
}

void SideTextStore::releaseAll()
{
    m_texts.clear();
}
