#include "run.h"

#ifdef Q_OS_WIN
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#ifdef __MINGW32__
// cmd.exe leaves "*.txt" to the program: MinGW's runtime expands it when this
// is set, as MSVC's does with wsetargv.obj.
extern "C" {
int _dowildcard = -1;
}
#endif

// The wide entry point gets the arguments as typed, in any script, and with
// wildcards expanded by the C runtime.
int wmain(int argc, wchar_t *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromWCharArray(argv[i]));
    // Qt reads the name of the program from the command line itself on Windows.
    int qtArgc = 1;
    char name[] = "future-check-cli";
    char *qtArgv[] = {name, nullptr};
    // Findings are written in UTF-8; a console shows them right only in its
    // UTF-8 code page, which is put back for the programs run after this one.
    const UINT consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    // Bytes as they are, as elsewhere: text mode would drop CRs and stop at
    // a ^Z on the way in, and put CRs before every LF on the way out, also
    // before the errors' in a log that takes both streams.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Errors unbuffered, as C has them elsewhere: the runtime may hold them
    // back to the end when they go to a file, after the lines that follow.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    const int status =
        cli::Run(arguments, [&] { return std::make_unique<QCoreApplication>(qtArgc, qtArgv); });
    SetConsoleOutputCP(consoleCodePage);
    return status;
}
#else
#include <clocale>

int main(int argc, char *argv[])
{
    // The system's messages in the user's language, as QCoreApplication would set it.
    std::setlocale(LC_ALL, "");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return cli::Run(arguments, [&] { return std::make_unique<QCoreApplication>(argc, argv); });
}
#endif
