#include "lumivo_app.h"
#include "termination_signals.h"

int main(int argc, char** argv)
{
    CLumivoApp app(argc, argv);
    AppOptions options;
    options.files = app.arguments().mid(1);
    if (!app.InitInstance(options))
        return 0;
    CTerminationSignals termination;
    const int rc = app.exec();
    const int exitRc = app.ExitInstance();
    return rc ? rc : exitRc;
}
