#include "BenchReport.h"
#include "CatalogueGenerator.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int PageRecords = 100'000; // 50 discs of DiscRecords each

void exportHtml(const QString &catalogue, const QString &page)
{
    runProgram(QStringLiteral(TRALBO_CLI),
               {u"export"_s, u"--html"_s, u"--catalogue"_s, catalogue, u"-o"_s, page});
}

// A headless browser with a profile of its own, which draws the page's first screen into a
// screenshot and quits. Without a stop time it takes the screenshot at the page's load event, after
// the whole file is parsed; with one, it stops loading after that many milliseconds and draws what
// it has by then. Scroll bars are hidden: their thumb shrinks as more of the page is read.
QStringList screenshotArguments(const QString &profile, const QString &picture, const QString &page,
                                int stopMilliseconds = 0)
{
    QStringList arguments{
        u"--headless=new"_s,          u"--disable-gpu"_s,         u"--no-sandbox"_s,
        u"--no-first-run"_s,          u"--hide-scrollbars"_s,     u"--user-data-dir="_s + profile,
        u"--screenshot="_s + picture, u"--window-size=1280,800"_s};
    if (stopMilliseconds > 0)
        arguments.append(u"--timeout=%1"_s.arg(stopMilliseconds));
    arguments.append(QUrl::fromLocalFile(page).toString());
    return arguments;
}

// The screenshot's bytes; empty when the browser did not finish within a minute (it can hang when
// told to stop after the page has already loaded).
QByteArray screenshot(const QString &browser, const QStringList &arguments, const QString &picture)
{
    QFile::remove(picture);
    QProcess process;
    process.start(browser, arguments);
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    QFile drawn(picture);
    if (process.exitCode() != 0 || !drawn.open(QIODevice::ReadOnly))
        qFatal("the browser drew no screenshot: %s", process.readAllStandardError().constData());
    return drawn.readAll();
}

// The exported page of 100,000 records on 50 discs until its first screen is drawn, against the
// same browser showing a page of one line. The first screen is drawn once a screenshot stopped
// early equals the one taken after the whole page has loaded; the figure is the time of the
// earliest such stop from a ladder, the load itself when none is early enough. It includes the
// browser's own start, which the reference shows alone.
void benchHtmlFirstScreen(const QString &folder, const QString &browser)
{
    const QString catalogue = generatedCatalogue(folder, PageRecords);
    QTemporaryDir work;
    const QString page = work.filePath(u"export.html"_s);
    exportHtml(catalogue, page);
    std::fprintf(stderr, "bench: the exported page has %.1f MB\n",
                 double(QFile(page).size()) / 1e6);
    const QString tiny = work.filePath(u"tiny.html"_s);
    QFile tinyFile(tiny);
    if (!tinyFile.open(QIODevice::WriteOnly) ||
        tinyFile.write("<!DOCTYPE html>\n<html><body><p>Tralbo</p></body></html>\n") < 0)
        qFatal("cannot write %s", qPrintable(tiny));
    tinyFile.close();

    const QString picture = work.filePath(u"page.png"_s);
    const QByteArray loaded = screenshot(
        browser, screenshotArguments(work.filePath(u"profile-page"_s), picture, page), picture);
    for (const int stop : {250, 500, 750, 1000, 1500, 0}) {
        bool complete = true;
        const Comparison times = compareWithProgram(
            3,
            [&] {
                const QStringList arguments =
                    screenshotArguments(work.filePath(u"profile-page"_s), picture, page, stop);
                complete = complete && screenshot(browser, arguments, picture) == loaded;
            },
            browser,
            screenshotArguments(work.filePath(u"profile-tiny"_s), work.filePath(u"tiny.png"_s),
                                tiny));
        if (!complete)
            continue;
        std::fprintf(stderr, "bench: the first screen was complete %s\n",
                     stop > 0 ? qPrintable(u"when stopped after %1 ms"_s.arg(stop))
                              : "only at the load event");
        printBench(u"export_html_100k"_s, times.seconds, u"s"_s, {Goal::valueBelow(2.0)},
                   u"chromium"_s, times.referenceSeconds);
        return;
    }
}

} // namespace

// The command-line tool's HTML export shown in a headless Chromium. Without Chromium (make bench
// installs it) the figure is reported as not measured.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    if (!arguments.wants(u"export_html_100k"))
        return 0;
    const QString browser = QStandardPaths::findExecutable(u"chromium"_s);
    if (browser.isEmpty())
        printUnmeasured(u"export_html_100k"_s, u"s"_s, {Goal::valueBelow(2.0)});
    else
        benchHtmlFirstScreen(arguments.dataFolder() + u"/catalogue_100k"_s, browser);
    return 0;
}
