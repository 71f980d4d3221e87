// noctl: the administrator's tool for a nameobject installation, and the reference for how a
// host calls the library. Every command works on an installation directory (--dir DIR or
// NAMEOBJECT_HOME: Config/ServerStation.ini, Language/, installation.db) or a bare database
// (--db: a file or a PostgreSQL URL), and runs the host's start-up sequence before it reads or
// writes objects. `noctl COMMAND --help` shows each command with an example.
#include "Context.h"

int main(int argc, char** argv) {
    CLI::App app{
        "noctl: the administrator's tool for a nameobject installation\n"
        "exit codes: 0 success, 1 refused by the library, 2 usage error\n"
        "writes: a class library listed in Config/ServerStation.ini may register notify-manager\n"
        "observers when it is loaded (as for any host); a negative answer of one vetoes the "
        "write,\n"
        "which then changes nothing and exits 1 with the code's name and the language file's text\n"
        "(Language/English.ini, [error] ERR_XXXXXXXX=...). A write the database refuses (a full\n"
        "disk, say) is rolled back whole and exits 1.\n"
        "load and demo draw a progress bar on standard error when standard output and error are\n"
        "terminals."};
    app.require_subcommand(1);
    Context ctx;
    app.add_option("--dir", ctx.dir, "installation directory (default: $NAMEOBJECT_HOME)");
    app.add_option("--db", ctx.db,
                   "a bare database file (sqlite:PATH, or a path) or a PostgreSQL database "
                   "(postgresql://user@host:port/dbname or postgresql:host=... dbname=...); "
                   "the installation directory is then the file's folder (for PostgreSQL "
                   "the current one) unless --dir is given");

    Commands commands;
    AddInstallationCommands(app, ctx, commands);
    AddLoadCommands(app, ctx, commands);
    AddShowCommands(app, ctx, commands);
    AddPrivilegeCommands(app, ctx, commands);
    AddDemoCommands(app, ctx, commands);
    AddWriteCommands(app, ctx, commands);
    AddExchangeCommands(app, ctx, commands);
    AddWatchCommand(app, ctx, commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    }
    for (const Command& command : commands) {
        if (command.app->parsed()) return command.run();
    }
    return Usage("no command");
}
