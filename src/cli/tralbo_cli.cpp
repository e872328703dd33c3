#include "base/AppError.h"
#include "cli/CommandTable.h"
#include "cli/Help.h"
#include "cli/TextSink.h"
#include "cli/UsageError.h"

#include <QCoreApplication>
#include <QFile>

#include <malloc.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int HeapGrowthBytes = 16 << 20;

int carryOut(const ParsedCommandLine &parsed, CommandContext &context)
{
    switch (parsed.kind) {
    case ParsedCommandLine::Kind::GeneralHelp:
        printGeneralHelp(context.out, commandTable(), context.texts);
        return 0;
    case ParsedCommandLine::Kind::Version:
        context.out << u"tralbo-cli (Tralbo) " TRALBO_VERSION "\n"_s;
        return 0;
    case ParsedCommandLine::Kind::Command:
        break;
    }
    const Invocation &invocation = parsed.invocation;
    if (invocation.helpWanted) {
        printCommandHelp(context.out, *invocation.command, context.texts);
        return 0;
    }
    return invocation.command->run(invocation, context);
}

} // namespace

// tralbo-cli COMMAND [OPTIONS]: the catalogue and the drives from the command line, for scripts.
// Exit codes: 0 success, 1 failure, 2 bad usage or input.
int main(int argc, char *argv[])
{
    // Scans and catalogues take memory in millions of small pieces, on several threads; heaps
    // that grow a page at a time would spend much of that in the kernel.
    mallopt(M_TOP_PAD, HeapGrowthBytes);
    const QCoreApplication application(argc, argv);
    const Texts texts = Texts::fromEnvironment();
    // By descriptor: through stdio a full disk would only show at exit, after the exit code
    // is decided. The sinks buffer, so the files below them need not.
    QFile standardOutput;
    QFile standardError;
    if (!standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !standardError.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    TextSink out(standardOutput);
    TextSink err(standardError);
    CommandContext context{texts, out, err};

    const auto fail = [&](const AppError &error, int code) {
        out.flush();
        // The tool's own messages are in its language already and pass unchanged.
        err << u"tralbo-cli: "_s << texts.ofCore(error.message()) << u'\n';
        err.flush();
        return code;
    };
    try {
        const int code = carryOut(
            parseCommandLine(QCoreApplication::arguments().sliced(1), commandTable(), texts),
            context);
        if (!out.flush())
            throw AppError(texts(u"Die Ausgabe konnte nicht ganz geschrieben werden"_s,
                                 u"Could not write all of the output"_s));
        return code;
    } catch (const UsageError &error) {
        return fail(error, 2);
    } catch (const AppError &error) {
        return fail(error, 1);
    } catch (const std::exception &error) {
        return fail(AppError(QString::fromLocal8Bit(error.what())), 1);
    }
}
