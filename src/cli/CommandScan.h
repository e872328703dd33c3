#pragma once

#include "base/PlainNotice.h"
#include "cli/CommandLine.h"
#include "cli/ScanChoice.h"
#include "cli/ScanTarget.h"
#include "platform/NativePath.h"
#include "scan/ScanRun.h"

// The scan that `scan` and `import` carry out: the drive or folder of the first operand, read
// as the window reads a drive, with the files and side texts the options choose.
class CommandScan final : private PlainNotice
{
public:
    // Throws UsageError for bad options, an unknown drive or a missing folder.
    CommandScan(const Invocation &invocation, CommandContext &context);
    // Lets an image's walk end first, when the scan did not wait for it.
    ~CommandScan() override;
    Q_DISABLE_COPY_MOVE(CommandScan)

    // Lists and selects, with a progress line on a terminal. Throws AppError when a side text
    // cannot be read.
    void run();

    const ScanTarget &target() const { return m_target; }
    const ScanChoice &choice() const { return m_choice; }
    const ScanRun &result() const { return m_scan; }

private:
    // The lister's notices, such as an archive that vanished, go to standard error.
    void plainMessage(const QString &message) override;

    CommandContext &m_context;
    ScanChoice m_choice;
    ScanTarget m_target;
    DriveSnapshot m_drives;
    PathMapper m_paths;
    ScanRun m_scan;
};
