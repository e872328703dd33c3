#include "base/AppError.h"
#include "devices/CDEvents.h"
#include "devices/MountWatcher.h"
#include "platform/AutorunSetting.h"
#include "platform/GioAutorunSetting.h"
#include "platform/MountSource.h"
#include "support/FakeSystem.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

VolumeNotice notice(quint32 eventCode, quint32 unitMask, quint16 flags = VolumeNotice::MediaFlag,
                    quint32 deviceType = VolumeNotice::VolumeDevice)
{
    return {eventCode, deviceType, unitMask, flags};
}

constexpr quint32 D = 1u << 3;
constexpr quint32 E = 1u << 4;

const QByteArray TestSchemas = R"(<schemalist>
  <schema id="org.tralbo.test.media" path="/org/tralbo/test/media/">
    <key name="autorun-never" type="b"><default>false</default></key>
  </schema>
  <schema id="org.tralbo.test.other-media" path="/org/tralbo/test/other-media/">
    <key name="autorun-never" type="b"><default>false</default></key>
  </schema>
  <schema id="org.tralbo.test.string-media" path="/org/tralbo/test/string-media/">
    <key name="autorun-never" type="s"><default>'no'</default></key>
  </schema>
  <schema id="org.tralbo.test.no-key" path="/org/tralbo/test/no-key/">
    <key name="autorun" type="b"><default>true</default></key>
  </schema>
</schemalist>
)";

} // namespace

class TestCDEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void firstDriveLetter_data();
    void firstDriveLetter();
    void handlesNotices_data();
    void handlesNotices();
    void handlerErrorIsReportedAndListeningGoesOn();
    void autoRunOffTwice();
    void restoresAtDestruction_data();
    void restoresAtDestruction();
    void creationFailsWhenTheSettingCannotBeRead();
    void restoreErrorIsReportedAndMarkerKept();
    void crashedRunIsRepairedByTheNextStart();
    void unreadableMarkerIsIgnored();
    void listensToAWatcher();
    void gioSetting();
    void gioSettingErrors();

private:
    QTemporaryDir m_folder;
    QString m_marker;
    QString m_schemaError;
    MemoryAutorunSetting m_setting;
    QStringList m_reports;
};

// GSettings reads its schema folder and backend once per process, so both are set up first.
void TestCDEvents::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QFile schema(m_folder.filePath(u"tralbo-test.gschema.xml"_s));
    QVERIFY(schema.open(QIODevice::WriteOnly));
    schema.write(TestSchemas);
    schema.close();
    const QString compiler = QStandardPaths::findExecutable(u"glib-compile-schemas"_s);
    if (compiler.isEmpty()) {
        m_schemaError = u"glib-compile-schemas is not installed"_s;
    } else if (QProcess::execute(compiler, {m_folder.path()}) != 0) {
        m_schemaError = u"glib-compile-schemas failed"_s;
    }
    qputenv("GSETTINGS_SCHEMA_DIR", QFile::encodeName(m_folder.path()));
    qputenv("GSETTINGS_BACKEND", "memory");
}

void TestCDEvents::init()
{
    m_setting = MemoryAutorunSetting();
    m_reports.clear();
    m_marker = m_folder.filePath(u"state/autorun-saved"_s);
    QFile::remove(m_marker);
}

void TestCDEvents::firstDriveLetter_data()
{
    QTest::addColumn<quint32>("unitMask");
    QTest::addColumn<QChar>("letter");
    QTest::newRow("bit 3") << D << QChar(u'D');
    QTest::newRow("bits 3 and 4") << (D | E) << QChar(u'D');
    QTest::newRow("bit 0") << 1u << QChar(u'A');
    QTest::newRow("bit 25 and above") << 0xfe000000u << QChar(u'Z');
    QTest::newRow("no bit") << 0u << QChar();
}

void TestCDEvents::firstDriveLetter()
{
    QFETCH(quint32, unitMask);
    QFETCH(QChar, letter);
    QCOMPARE(TCDEvents::firstDriveLetter(unitMask), letter);
}

void TestCDEvents::handlesNotices_data()
{
    QTest::addColumn<VolumeNotice>("notice");
    QTest::addColumn<QString>("arrivals");
    QTest::addColumn<QString>("removals");
    QTest::newRow("disc arrives") << notice(VolumeNotice::Arrival, D) << u"D"_s << QString();
    QTest::newRow("two drives") << notice(VolumeNotice::Arrival, D | E) << u"D"_s << QString();
    QTest::newRow("other flags too")
        << notice(VolumeNotice::Arrival, E, 0x0003) << u"E"_s << QString();
    QTest::newRow("no media flag") << notice(VolumeNotice::Arrival, D, 0) << QString() << QString();
    QTest::newRow("network flag only")
        << notice(VolumeNotice::Arrival, D, 0x0002) << QString() << QString();
    QTest::newRow("empty unit mask") << notice(VolumeNotice::Arrival, 0) << QString() << QString();
    QTest::newRow("not a volume") << notice(VolumeNotice::Arrival, D, 1, 5) << QString()
                                  << QString();
    QTest::newRow("disc removed") << notice(VolumeNotice::RemoveComplete, E) << QString() << u"E"_s;
    QTest::newRow("other event") << notice(0x8001, D) << QString() << QString();
}

void TestCDEvents::handlesNotices()
{
    QFETCH(VolumeNotice, notice);
    QFETCH(QString, arrivals);
    QFETCH(QString, removals);
    TCDEvents events(m_setting, m_marker, {});
    QString arrived;
    QString removed;
    events.setAfterArrival([&](TCDEvents *sender, QChar letter) {
        QCOMPARE(sender, &events);
        arrived += letter;
    });
    events.setAfterRemove([&](TCDEvents *, QChar letter) { removed += letter; });
    events.handleNotice(notice);
    QCOMPARE(arrived, arrivals);
    QCOMPARE(removed, removals);
}

void TestCDEvents::handlerErrorIsReportedAndListeningGoesOn()
{
    TCDEvents events(m_setting, m_marker, [this](const QString &m) { m_reports.append(m); });
    QString arrived;
    events.setAfterArrival([&](TCDEvents *, QChar letter) {
        arrived += letter;
        if (arrived.size() == 1)
            throw AppError(u"Laufwerk nicht bereit"_s);
    });
    events.handleNotice(notice(VolumeNotice::Arrival, D));
    QCOMPARE(m_reports, QStringList{u"Laufwerk nicht bereit"_s});
    events.handleNotice(notice(VolumeNotice::Arrival, E));
    QCOMPARE(arrived, u"DE"_s);
    QCOMPARE(m_reports.size(), 1);
}

void TestCDEvents::autoRunOffTwice()
{
    TCDEvents events(m_setting, m_marker, {});
    QVERIFY(events.Options()->autoRun());
    events.Options()->setAutoRun(false);
    events.Options()->setAutoRun(false);
    QCOMPARE(m_setting.never, std::optional<bool>(true));
    QVERIFY(!events.Options()->autoRun());
    QVERIFY(events.Options()->savedState());
}

void TestCDEvents::restoresAtDestruction_data()
{
    QTest::addColumn<std::optional<bool>>("never");
    QTest::addColumn<bool>("autoReset");
    QTest::addColumn<std::optional<bool>>("afterwards");
    QTest::newRow("on, reset") << std::optional(false) << true << std::optional(false);
    QTest::newRow("off, reset") << std::optional(true) << true << std::optional(true);
    QTest::newRow("on, no reset") << std::optional(false) << false << std::optional(true);
    QTest::newRow("no switch") << std::optional<bool>() << true << std::optional<bool>();
}

void TestCDEvents::restoresAtDestruction()
{
    QFETCH(std::optional<bool>, never);
    QFETCH(bool, autoReset);
    QFETCH(std::optional<bool>, afterwards);
    m_setting.never = never;
    {
        TCDEvents events(m_setting, m_marker, {});
        QCOMPARE(events.Options()->autoRun(), !never.value_or(false));
        events.Options()->setAutoReset(autoReset);
        events.Options()->setAutoRun(false);
        QVERIFY(QFile::exists(m_marker));
    }
    QCOMPARE(m_setting.never, afterwards);
    QVERIFY(!QFile::exists(m_marker));
}

void TestCDEvents::creationFailsWhenTheSettingCannotBeRead()
{
    m_setting.failReads = true;
    QVERIFY_THROWS_EXCEPTION(AppError, TCDEvents(m_setting, m_marker, {}));
    QVERIFY(!QFile::exists(m_marker));
}

void TestCDEvents::restoreErrorIsReportedAndMarkerKept()
{
    {
        TCDEvents events(m_setting, m_marker, [this](const QString &m) { m_reports.append(m); });
        events.Options()->setAutoRun(false);
        m_setting.failWrites = true;
    }
    QCOMPARE(m_reports, QStringList{u"write refused"_s});
    QVERIFY(QFile::exists(m_marker));
}

void TestCDEvents::crashedRunIsRepairedByTheNextStart()
{
    // A run that ends without its destructor, as in a crash: it is deliberately never deleted,
    // but stays reachable so that leak checkers do not count it.
    static TCDEvents *crashed = nullptr;
    crashed = new TCDEvents(m_setting, m_marker, {});
    crashed->Options()->setAutoRun(false);
    QCOMPARE(m_setting.never, std::optional<bool>(true));

    {
        TCDEvents next(m_setting, m_marker, {});
        QVERIFY(!next.Options()->autoRun());
        QVERIFY(next.Options()->savedState());
        next.Options()->setAutoRun(false);
    }
    QCOMPARE(m_setting.never, std::optional<bool>(false));
    QVERIFY(!QFile::exists(m_marker));

    m_setting.never = true;
    TCDEvents later(m_setting, m_marker, {});
    QVERIFY(!later.Options()->savedState());
}

void TestCDEvents::unreadableMarkerIsIgnored()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_marker).path()));
    QFile marker(m_marker);
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.write("garbage");
    marker.close();
    m_setting.never = true;
    {
        TCDEvents events(m_setting, m_marker, {});
        QVERIFY(!events.Options()->savedState());
        events.Options()->setAutoRun(true);
    }
    QCOMPARE(m_setting.never, std::optional<bool>(true));
}

void TestCDEvents::listensToAWatcher()
{
    class NoMounts final : public MountSource
    {
    public:
        QByteArray readMountInfo() const override { return {}; }
        QString watchPath() const override { return {}; }
    };
    class NoDrives final : public DriveTable
    {
    public:
        void refresh() override {}
        QList<Drive> drives() const override { return {}; }
    };
    const NoMounts mounts;
    NoDrives drives;
    MountWatcher watcher(mounts, drives);
    TCDEvents events(m_setting, m_marker, {});
    events.listenTo(watcher);
    QString arrived;
    events.setAfterArrival([&](TCDEvents *, QChar letter) { arrived += letter; });
    Q_EMIT watcher.volumeNotice(notice(VolumeNotice::Arrival, E));
    QCOMPARE(arrived, u"E"_s);
}

void TestCDEvents::gioSetting()
{
    if (!m_schemaError.isEmpty())
        QSKIP(qPrintable(m_schemaError));
    GioAutorunSetting none({u"org.tralbo.test.absent"_s, u"org.tralbo.test.no-key"_s});
    QCOMPARE(none.readNever(), std::nullopt);
    none.writeNever(true);

    GioAutorunSetting both({u"org.tralbo.test.absent"_s, u"org.tralbo.test.media"_s,
                            u"org.tralbo.test.other-media"_s});
    QCOMPARE(both.readNever(), std::optional(false));
    both.writeNever(true);
    QCOMPARE(both.readNever(), std::optional(true));
    QCOMPARE(GioAutorunSetting({u"org.tralbo.test.other-media"_s}).readNever(),
             std::optional(true));
    both.writeNever(false);
    QCOMPARE(GioAutorunSetting({u"org.tralbo.test.other-media"_s}).readNever(),
             std::optional(false));

    {
        TCDEvents events(both, m_marker, {});
        QVERIFY(events.Options()->autoRun());
        events.Options()->setAutoRun(false);
        QCOMPARE(both.readNever(), std::optional(true));
    }
    QCOMPARE(both.readNever(), std::optional(false));
}

void TestCDEvents::gioSettingErrors()
{
    if (!m_schemaError.isEmpty())
        QSKIP(qPrintable(m_schemaError));
    GioAutorunSetting wrongType({u"org.tralbo.test.string-media"_s, u"org.tralbo.test.media"_s});
    const QString message = u"Ungültiger Datentyp für 'autorun-never'"_s;
    try {
        wrongType.readNever();
        QFAIL("a string key read as a switch");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), message);
    }
    try {
        wrongType.writeNever(true);
        QFAIL("a string key written as a switch");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), message);
    }
    QCOMPARE(GioAutorunSetting({u"org.tralbo.test.media"_s}).readNever(), std::optional(false));
    QVERIFY_THROWS_EXCEPTION(AppError, TCDEvents(wrongType, m_marker, {}));
}

QTEST_GUILESS_MAIN(TestCDEvents)
#include "tst_cdevents.moc"
