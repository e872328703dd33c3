#pragma once

#include <QString>

// What the settings store holds under one value name.
struct StoredValue
{
    enum class Kind
    {
        Absent,  // no such value, or the store could not be read
        Text,    // a string value
        NotText, // a value of another type
    };

    Kind kind = Kind::Absent;
    QString text; // the string when kind is Text
};

// The user's option settings: string values of the group "Settings", kept from one run to the next.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    virtual StoredValue read(const QString &name) const = 0;
    // Takes a string value for the next commit; false when the store cannot be written.
    virtual bool write(const QString &name, const QString &text) = 0;
    // Puts the values written since the last commit on disk; false when that failed.
    virtual bool commit() = 0;
};
