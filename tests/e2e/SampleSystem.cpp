#include "SampleSystem.h"

#include "SampleDisc.h"
#include "support/FakeDriveTable.h"

#include "catalogue/CatalogueSchema.h"
#include "platform/GioAutorunSetting.h"
#include "platform/LinuxDriveTable.h"
#include "platform/QtSettingsStore.h"

using namespace Qt::StringLiterals;

SampleSystem::SampleSystem(bool realMount) : m_realMount(realMount) {}

SampleSystem::~SampleSystem() = default;

QString SampleSystem::prepare()
{
    if (!m_work.isValid() || !QDir().mkpath(applicationDirectory()) ||
        !QDir().mkpath(m_work.filePath(u"media"_s)))
        return u"cannot make the work folders"_s;
    createEmptyCatalogue(applicationDirectory() + u"CD.db"_s);
    const QString files = m_work.filePath(u"disc"_s);
    if (QString error = SampleDisc::writeFiles(files); !error.isEmpty())
        return error;
    if (QString error = SampleDisc::buildImage(files, m_work.filePath(u"disc.iso"_s));
        !error.isEmpty())
        return error;

    if (m_realMount) {
        m_drives = std::make_unique<LinuxDriveTable>(m_mounts, m_labels);
    } else {
        auto fake = std::make_unique<FakeDriveTable>();
        fake->addDrive(u'c', DriveType::Fixed, u"/"_s, u"system"_s);
        fake->addDrive(u'd', DriveType::CdRom, files, SampleDisc::Label);
        m_drives = std::move(fake);
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_work.filePath(u"config"_s)));
    qputenv("GSETTINGS_BACKEND", "memory");
    m_autorun = std::make_unique<GioAutorunSetting>();
    return {};
}

QString SampleSystem::insertDisc()
{
    if (!m_realMount)
        return {};
    return m_disc.mount(m_work.filePath(u"disc.iso"_s), m_work.filePath(u"media"_s));
}

Environment SampleSystem::environment(DialogService &dialogs)
{
    m_settings = std::make_unique<QtSettingsStore>();
    Environment environment;
    environment.catalogue = CataloguePlace::inFolder(applicationDirectory());
    environment.drives = m_drives.get();
    environment.dialogs = &dialogs;
    environment.settings = m_settings.get();
    environment.autorun = m_autorun.get();
    environment.autorunMarker = m_work.filePath(u"autorun-saved"_s);
    environment.mounts = &m_mounts;
    return environment;
}
