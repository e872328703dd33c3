#pragma once

#include <QString>

// The language of the tool's own messages: German when the locale asks for it, else English.
class Texts final
{
public:
    explicit Texts(bool german) : m_german(german) {}
    // From LC_ALL, LC_MESSAGES and LANG, the first one set deciding, as the C library does.
    static Texts fromEnvironment();

    bool german() const { return m_german; }
    QString operator()(const QString &german, const QString &english) const
    {
        return m_german ? german : english;
    }
    // A message of the core, which speaks German, in the tool's language.
    QString ofCore(const QString &germanMessage) const;

private:
    bool m_german;
};
