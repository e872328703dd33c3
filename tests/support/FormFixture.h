#pragma once

#include "app/Environment.h"
#include "app/Unit1.h"
#include "catalogue/CatalogueSchema.h"
#include "support/FakeDriveTable.h"
#include "support/FakeSystem.h"
#include "support/RecordingDialogService.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The main window over a temporary application directory holding an empty catalogue, with fake
// drives and system settings, and recorded boxes.
class FormFixture
{
public:
    FormFixture()
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("app"));
        createEmptyCatalogue(path(QStringLiteral("app/CD.db")));
        drives.addDrive(u'c', DriveType::Fixed, QStringLiteral("/"), QStringLiteral("system"));
    }

    QString path(const QString &relative) const { return m_folder.filePath(relative); }
    QString applicationDirectory() const { return path(QStringLiteral("app")) + u'/'; }

    TForm1 &show()
    {
        Environment environment;
        environment.catalogue = chosenCataloguePlace({}, catalogue, applicationDirectory());
        environment.drives = &drives;
        environment.dialogs = shownDialogs ? shownDialogs : &dialogs;
        environment.settings = &settings;
        environment.autorun = &autorun;
        environment.autorunMarker = path(QStringLiteral("autorun-saved"));
        environment.mounts = &mounts;
        environment.volumes = &volumes;
        form = std::make_unique<TForm1>(environment);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("main window not exposed");
        return *form;
    }

    template <typename T> T *control(const QString &name) const
    {
        T *found = form->findChild<T *>(name);
        if (!found)
            qFatal("control %s missing", qPrintable(name));
        return found;
    }

    QString catalogue; // the chosen catalogue; none for CD.db of the application directory
    FakeDriveTable drives;
    RecordingDialogService dialogs;
    DialogService *shownDialogs = nullptr; // the window's boxes; none: the recording ones
    MemorySettingsStore settings;
    MemoryAutorunSetting autorun;
    FixedMountSource mounts;
    FakeVolumeMounter volumes;
    std::unique_ptr<TForm1> form;

private:
    QTemporaryDir m_folder;
};

// Every row a user reaches by scrolling to the end.
inline QStringList rows(const QAbstractItemView *view)
{
    while (view->model()->canFetchMore({}))
        view->model()->fetchMore({});
    QStringList result;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        result.append(view->model()->index(row, 0).data().toString());
    return result;
}
