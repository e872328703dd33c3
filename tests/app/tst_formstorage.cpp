#include "app/FormStorage.h"
#include "base/AppError.h"
#include "platform/QtSettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList CheckBoxes = {u"cb1"_s, u"cb10"_s, u"cb2"_s, u"cb3"_s, u"cb4"_s,  u"cb5"_s,
                                u"cb6"_s, u"cb7"_s,  u"cb8"_s, u"cb9"_s, u"cb20"_s, u"cb30"_s};

const QStringList PlacementNames = {
    u"Flags"_s,   u"ShowCmd"_s, u"MinMaxPos(1024x768)"_s, u"MinMaxPos"_s, u"NormPos(1024x768)"_s,
    u"NormPos"_s, u"Visible"_s};

// The option controls of the main window with their design values, and the interlock of cb4
// and cb7.
class OptionsForm
{
public:
    OptionsForm()
    {
        for (const QString &name : CheckBoxes) {
            auto *box = new QCheckBox(&m_root);
            box->setObjectName(name);
        }
        addEdit(u"Edit1"_s, u".DPR"_s);
        addEdit(u"Edit3"_s, u".DOC"_s);
        addEdit(u"Edit4"_s, u"40"_s);
    }

    void connectInterlock()
    {
        QObject::connect(box(u"cb4"_s), &QCheckBox::toggled, box(u"cb4"_s), [this](bool on) {
            if (!on)
                box(u"cb7"_s)->setChecked(false);
        });
        QObject::connect(box(u"cb7"_s), &QCheckBox::toggled, box(u"cb7"_s), [this](bool on) {
            if (on)
                box(u"cb4"_s)->setChecked(true);
        });
    }

    QWidget &root() { return m_root; }
    QCheckBox *box(const QString &name) { return m_root.findChild<QCheckBox *>(name); }
    QLineEdit *edit(const QString &name) { return m_root.findChild<QLineEdit *>(name); }

private:
    void addEdit(const QString &name, const QString &text)
    {
        auto *edit = new QLineEdit(text, &m_root);
        edit->setObjectName(name);
    }

    QWidget m_root;
};

FormPlacement placement()
{
    return {0, 1, {-1, -1}, {-1, -1}, QRect(10, 20, 500, 400), QSize(1024, 768)};
}

// Reads the file as a fresh program start would, without our store in between.
QMap<QString, QVariant> settingsValues(const QString &fileName)
{
    QSettings settings(fileName, QSettings::NativeFormat);
    settings.beginGroup(u"Settings"_s);
    QMap<QString, QVariant> values;
    for (const QString &key : settings.childKeys())
        values.insert(key, settings.value(key));
    return values;
}

// Root reads every file; with another file-system user id the permission bits count. The
// group stays root's, so the folders open to everyone.
class FileAccessAsOtherUser
{
public:
    explicit FileAccessAsOtherUser(const QStringList &folders)
    {
        if (geteuid() != 0)
            return;
        for (const QString &folder : folders)
            QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
        setfsuid(65534);
        m_changed = true;
    }
    ~FileAccessAsOtherUser()
    {
        if (m_changed)
            setfsuid(0);
    }
    Q_DISABLE_COPY_MOVE(FileAccessAsOtherUser)

private:
    bool m_changed = false;
};

} // namespace

class TestFormStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fileLivesInTheUserConfigFolder();
    void bindsEntriesByNameIgnoringPropertyCase();
    void firstRunKeepsDesignValuesAndSavesEverything();
    void restoresCheckBoxText_data();
    void restoresCheckBoxText();
    void storesTrimmedTexts_data();
    void storesTrimmedTexts();
    void interlocksRunDuringRestore();
    void damagedFileGivesDefaultsAndIsReplaced_data();
    void damagedFileGivesDefaultsAndIsReplaced();
    void unreadableFileGivesDefaultsAndIsReplaced();
    void writeErrorStopsTheSave();
    void destroySavesOnlyWithoutEarlierSave();

private:
    void writeFile(const QByteArray &content);
    QString m_fileName;
    std::unique_ptr<QTemporaryDir> m_folder;
    QTemporaryDir m_home;
};

void TestFormStorage::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.filePath(u"home"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
    QStandardPaths::setTestModeEnabled(true);
}

// Every test gets a folder of its own: QSettings caches files by name within the process.
void TestFormStorage::init()
{
    if (QTest::currentTestFunction() == QByteArrayView("fileLivesInTheUserConfigFolder"))
        return;
    m_folder = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder->path());
    m_fileName = m_folder->filePath(u"Olvane/Skivra.conf"_s);
}

void TestFormStorage::writeFile(const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_fileName).path()));
    QFile file(m_fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void TestFormStorage::fileLivesInTheUserConfigFolder()
{
    QtSettingsStore store;
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        u"/Olvane/Skivra.conf"_s;
    QCOMPARE(store.fileName(), expected);
    QVERIFY(expected.startsWith(m_home.path()));
    QVERIFY(store.write(u"cb1_Checked"_s, u"True"_s));
    QVERIFY(store.commit());
    QCOMPARE(settingsValues(expected).value(u"cb1_Checked"_s), QVariant(u"True"_s));
}

void TestFormStorage::bindsEntriesByNameIgnoringPropertyCase()
{
    OptionsForm form;
    QtSettingsStore store;
    const TFormStorage all(form.root(), store);
    QCOMPARE(all.storedProps(), TFormStorage::defaultStoredProps());
    QCOMPARE(all.valueNames().first(), u"cb1_Checked"_s);
    QCOMPARE(all.valueNames().at(10), u"Edit1_Text"_s);

    const TFormStorage some(form.root(), store,
                            {u" cb2 . CHECKED "_s, u"nothing.Checked"_s, u"cb3."_s, u".Checked"_s,
                             u"cb4"_s, u"Edit4.Text"_s});
    QCOMPARE(some.storedProps(), QStringList({u" cb2 . CHECKED "_s, u"Edit4.Text"_s}));
    QCOMPARE(some.valueNames(), QStringList({u"cb2_CHECKED"_s, u"Edit4_Text"_s}));
}

void TestFormStorage::firstRunKeepsDesignValuesAndSavesEverything()
{
    OptionsForm form;
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    storage.restore();
    for (const QString &name : CheckBoxes)
        QVERIFY2(!form.box(name)->isChecked(), qPrintable(name));
    QCOMPARE(form.edit(u"Edit1"_s)->text(), u".DPR"_s);
    QCOMPARE(form.edit(u"Edit3"_s)->text(), u".DOC"_s);
    QVERIFY(!QFile::exists(m_fileName));

    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    QVERIFY(storage.isSaved());
    const QMap<QString, QVariant> values = settingsValues(m_fileName);
    QStringList expected = PlacementNames + storage.valueNames();
    expected.sort();
    QCOMPARE(values.keys(), expected);
    QCOMPARE(values.value(u"NormPos"_s), QVariant(u"10,20,510,420"_s));
    QCOMPARE(values.value(u"NormPos(1024x768)"_s), QVariant(u"10,20,510,420"_s));
    QCOMPARE(values.value(u"MinMaxPos"_s), QVariant(u"-1,-1,-1,-1"_s));
    QCOMPARE(values.value(u"ShowCmd"_s), QVariant(u"1"_s));
    QCOMPARE(values.value(u"Flags"_s), QVariant(u"0"_s));
    QCOMPARE(values.value(u"Visible"_s), QVariant(u"0"_s));
    QCOMPARE(values.value(u"cb9_Checked"_s), QVariant(u"False"_s));
    QCOMPARE(values.value(u"Edit3_Text"_s), QVariant(u".DOC"_s));
    QVERIFY(!values.contains(u"Edit4_Text"_s));
}

void TestFormStorage::restoresCheckBoxText_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("after");
    QTest::newRow("lower case") << QByteArray("true") << false << true;
    QTest::newRow("upper case") << QByteArray("TRUE") << false << true;
    QTest::newRow("mixed case, blanks") << QByteArray("\"  tRuE \"") << false << true;
    QTest::newRow("control characters") << QByteArray("\\x1True\\t") << false << true;
    QTest::newRow("false") << QByteArray("FALSE") << true << false;
    QTest::newRow("one") << QByteArray("1") << false << false;
    QTest::newRow("zero keeps checked") << QByteArray("0") << true << true;
    QTest::newRow("empty") << QByteArray("") << true << true;
    QTest::newRow("not a string: bool")
        << QByteArray("@Variant(\\0\\0\\0\\x1\\x1)") << false << false;
    QTest::newRow("not a string: list") << QByteArray("True, True") << false << false;
}

void TestFormStorage::restoresCheckBoxText()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, before);
    QFETCH(bool, after);
    writeFile("[Settings]\ncb1_Checked=" + stored + "\ncb2_Checked=True\n");
    OptionsForm form;
    form.box(u"cb1"_s)->setChecked(before);
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    storage.restore();
    QCOMPARE(form.box(u"cb1"_s)->isChecked(), after);
    QVERIFY(form.box(u"cb2"_s)->isChecked());
}

void TestFormStorage::storesTrimmedTexts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks") << u"  .TXT "_s << u".TXT"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only blanks") << u"   "_s << QString();
    QTest::newRow("inner blank kept") << u".A B\t"_s << u".A B"_s;
    QTest::newRow("non-breaking space kept") << u"\u00a0.X"_s << u"\u00a0.X"_s;
}

void TestFormStorage::storesTrimmedTexts()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    {
        OptionsForm form;
        QtSettingsStore store;
        TFormStorage storage(form.root(), store);
        storage.restore();
        form.edit(u"Edit1"_s)->setText(typed);
        QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    }
    QCOMPARE(settingsValues(m_fileName).value(u"Edit1_Text"_s), QVariant(stored));

    OptionsForm form;
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    storage.restore();
    QCOMPARE(form.edit(u"Edit1"_s)->text(), stored);
    QCOMPARE(form.edit(u"Edit3"_s)->text(), u".DOC"_s);
}

void TestFormStorage::interlocksRunDuringRestore()
{
    writeFile("[Settings]\ncb4_Checked=False\ncb7_Checked=True\n");
    OptionsForm form;
    form.connectInterlock();
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    storage.restore();
    QVERIFY(form.box(u"cb7"_s)->isChecked());
    QVERIFY(form.box(u"cb4"_s)->isChecked());
}

void TestFormStorage::damagedFileGivesDefaultsAndIsReplaced_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("cb1Restored");
    QTest::addColumn<bool>("cb2Restored");
    QTest::newRow("binary garbage")
        << QByteArray("\x01\xff\xfe[[[==\x00\x00\n=\n\\", 14) << false << false;
    QTest::newRow("unterminated quote")
        << QByteArray("[Settings]\ncb1_Checked=\"True\nEdit1_Text=.X\ncb2_Checked=True\n") << false
        << false;
    QTest::newRow("unterminated section")
        << QByteArray("[Settings\ncb1_Checked=True\n[Settings]\ncb2_Checked=True\n") << true
        << true;
    QTest::newRow("wrong types")
        << QByteArray("[Settings]\ncb1_Checked=@Variant(\\0\\0\\0\\x1\\x1)\n"
                      "Edit1_Text=@ByteArray(.X)\nEdit3_Text=a, b\ncb2_Checked=true\n")
        << false << true;
}

void TestFormStorage::damagedFileGivesDefaultsAndIsReplaced()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, cb1Restored);
    QFETCH(bool, cb2Restored);
    writeFile(content);
    {
        OptionsForm form;
        QtSettingsStore store;
        TFormStorage storage(form.root(), store);
        storage.restore();
        QCOMPARE(form.box(u"cb1"_s)->isChecked(), cb1Restored);
        QCOMPARE(form.box(u"cb2"_s)->isChecked(), cb2Restored);
        QCOMPARE(form.edit(u"Edit1"_s)->text(), u".DPR"_s);
        QCOMPARE(form.edit(u"Edit3"_s)->text(), u".DOC"_s);
        QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    }
    QSettings reread(m_fileName, QSettings::NativeFormat);
    QCOMPARE(reread.status(), QSettings::NoError);
    const QMap<QString, QVariant> values = settingsValues(m_fileName);
    QCOMPARE(values.size(), 21);
    for (auto value = values.begin(); value != values.end(); ++value)
        QVERIFY2(value->typeId() == QMetaType::QString, qPrintable(value.key()));
    QCOMPARE(values.value(u"cb1_Checked"_s), QVariant(cb1Restored ? u"True"_s : u"False"_s));
    QCOMPARE(values.value(u"Edit1_Text"_s), QVariant(u".DPR"_s));
}

void TestFormStorage::unreadableFileGivesDefaultsAndIsReplaced()
{
    writeFile("[Settings]\ncb1_Checked=True\nEdit1_Text=.X\n");
    QVERIFY(QFile::setPermissions(m_fileName, QFileDevice::Permissions()));
    {
        const FileAccessAsOtherUser otherUser({m_folder->path(), QFileInfo(m_fileName).path()});
        OptionsForm form;
        QtSettingsStore store;
        TFormStorage storage(form.root(), store);
        storage.restore();
        QVERIFY(!form.box(u"cb1"_s)->isChecked());
        QCOMPARE(form.edit(u"Edit1"_s)->text(), u".DPR"_s);
        form.box(u"cb3"_s)->setChecked(true);
        QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    }
    const QMap<QString, QVariant> values = settingsValues(m_fileName);
    QCOMPARE(values.size(), 21);
    QCOMPARE(values.value(u"cb1_Checked"_s), QVariant(u"False"_s));
    QCOMPARE(values.value(u"cb3_Checked"_s), QVariant(u"True"_s));
}

// A folder where the file belongs can be neither read nor replaced, even by root.
void TestFormStorage::writeErrorStopsTheSave()
{
    QVERIFY(QDir().mkpath(m_fileName));
    OptionsForm form;
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    storage.restore();
    QCOMPARE(form.edit(u"Edit1"_s)->text(), u".DPR"_s);
    try {
        storage.saveOnCloseQuery(placement());
        QFAIL("the save went through");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), u"Konnte Daten für 'Flags' nicht setzen"_s);
    }
    QVERIFY(!storage.isSaved());

    // The folder goes away before the window is destroyed: that save succeeds.
    QVERIFY(QDir(m_fileName).removeRecursively());
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnDestroy(placement()));
    QVERIFY(storage.isSaved());
    QCOMPARE(settingsValues(m_fileName).value(u"Visible"_s), QVariant(u"1"_s));
}

void TestFormStorage::destroySavesOnlyWithoutEarlierSave()
{
    OptionsForm form;
    QtSettingsStore store;
    TFormStorage storage(form.root(), store);
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnDestroy(placement()));
    QVERIFY(!QFile::exists(m_fileName));

    storage.restore();
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnCloseQuery(placement()));
    form.box(u"cb5"_s)->setChecked(true);
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnDestroy(placement()));
    QCOMPARE(settingsValues(m_fileName).value(u"Visible"_s), QVariant(u"0"_s));
    QCOMPARE(settingsValues(m_fileName).value(u"cb5_Checked"_s), QVariant(u"False"_s));

    storage.restore();
    QVERIFY(!storage.isSaved());
    QVERIFY(!form.box(u"cb5"_s)->isChecked());
    form.box(u"cb5"_s)->setChecked(true);
    QVERIFY_THROWS_NO_EXCEPTION(storage.saveOnDestroy(placement()));
    QCOMPARE(settingsValues(m_fileName).value(u"Visible"_s), QVariant(u"1"_s));
    QCOMPARE(settingsValues(m_fileName).value(u"cb5_Checked"_s), QVariant(u"True"_s));
}

QTEST_MAIN(TestFormStorage)
#include "tst_formstorage.moc"
