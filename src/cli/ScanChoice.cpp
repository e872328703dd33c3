#include "cli/ScanChoice.h"

#include "base/UpperAscii.h"
#include "cli/UsageError.h"

using namespace Qt::StringLiterals;

namespace {

const QString Filter1 = u"--filter1"_s;
const QString Filter2 = u"--filter2"_s;
const QString Descriptions = u"--descriptions"_s;
const QString Cut = u"--cut"_s;
const QString ZipContents = u"--zip-contents"_s;

struct ExtensionSwitch
{
    SelectionTest test;
    QString name;
    QString extension;
};

const QList<ExtensionSwitch> &extensionSwitches()
{
    static const QList<ExtensionSwitch> switches{
        {SelectionTest::Exe, u"--exe"_s, u"*.EXE"_s}, {SelectionTest::Com, u"--com"_s, u"*.COM"_s},
        {SelectionTest::Bat, u"--bat"_s, u"*.BAT"_s}, {SelectionTest::Zip, u"--zip"_s, u"*.ZIP"_s},
        {SelectionTest::Pas, u"--pas"_s, u"*.PAS"_s},
    };
    return switches;
}

// An extension as the filter fields hold it: with its dot, letters a to z upper-cased.
QString filterExtension(const QString &given, const QString &option, const Texts &texts)
{
    if (given.isEmpty() || given == u"."_s || given.contains(u'\\') || given.contains(u'/'))
        throw UsageError(
            texts(u"%1 erwartet eine Endung wie .DOC"_s, u"%1 expects an extension such as .DOC"_s)
                .arg(option));
    return upperAscii(given.startsWith(u'.') ? given : u'.' + given);
}

} // namespace

QList<OptionSpec> scanOptionSpecs()
{
    QList<OptionSpec> specs;
    for (const ExtensionSwitch &entry : extensionSwitches())
        specs.append({entry.name,
                      {},
                      {},
                      u"Dateien %1 aufnehmen"_s.arg(entry.extension),
                      u"Keep files %1"_s.arg(entry.extension)});
    specs.append({Filter1,
                  {},
                  u"EXT"_s,
                  u"Dateien mit dieser Endung aufnehmen (Filter 1)"_s,
                  u"Keep files with this extension (filter 1)"_s});
    specs.append({Filter2,
                  {},
                  u"EXT"_s,
                  u"Dateien mit dieser Endung aufnehmen (Filter 2)"_s,
                  u"Keep files with this extension (filter 2)"_s});
    specs.append({Descriptions,
                  {},
                  {},
                  u"FILE_ID.DIZ oder Readme.txt mit speichern"_s,
                  u"Store the FILE_ID.DIZ or readme found beside each file"_s});
    specs.append({Cut,
                  {},
                  u"N"_s,
                  u"Beschreibungen nach N Zeilen kürzen"_s,
                  u"Cut descriptions after N lines"_s});
    specs.append({ZipContents,
                  {},
                  {},
                  u"ZIP-Archive durchsuchen und Einzeldateien aufnehmen"_s,
                  u"List the members of every ZIP archive kept"_s});
    return specs;
}

ScanChoice chosenScan(const Invocation &invocation, const Texts &texts)
{
    ScanChoice choice;
    SelectionOptions &options = choice.options;
    for (const ExtensionSwitch &entry : extensionSwitches())
        options.enabled[int(entry.test)] = invocation.has(entry.name);
    if (invocation.has(Filter1)) {
        options.enabled[int(SelectionTest::Filter1)] = true;
        options.upperFilter1 = filterExtension(invocation.value(Filter1), Filter1, texts);
    }
    if (invocation.has(Filter2)) {
        options.enabled[int(SelectionTest::Filter2)] = true;
        options.upperFilter2 = filterExtension(invocation.value(Filter2), Filter2, texts);
    }
    if (std::none_of(options.enabled.begin(), options.enabled.end(), std::identity()))
        throw UsageError(texts(u"Keine Endung gewählt: --exe, --com, --bat, --zip, --pas, "
                               u"--filter1 oder --filter2 angeben"_s,
                               u"No extension chosen: give --exe, --com, --bat, --zip, --pas, "
                               u"--filter1 or --filter2"_s));
    options.captureDescriptions = invocation.has(Descriptions);
    options.listZipMembers = invocation.has(ZipContents);
    if (invocation.has(Cut)) {
        const std::optional<qint32> limit = parseLineLimit(invocation.value(Cut));
        if (!limit || *limit < 1)
            throw UsageError(texts(u"--cut erwartet eine Zeilenzahl ab 1"_s,
                                   u"--cut expects a number of lines from 1"_s));
        options.cutDescriptions = true;
        choice.lineLimit = *limit;
    }
    return choice;
}
