#pragma once
// A PostgreSQL server of the test's own: initdb and pg_ctl in a fresh, short folder under /tmp
// (a socket's path may not exceed 107 bytes), on a Unix socket there (no TCP port), trust
// authentication, superuser "korvelo". Run as root (CI), the server runs as "nobody", since
// initdb refuses root; the folder is that user's. Stopped and removed on destruction.
#include <QProcess>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace korvelo {

class PgServer {
  public:
    // The folder of initdb and pg_ctl, newest version first; empty when PostgreSQL is absent.
    static std::string binDir() {
        namespace fs = std::filesystem;
        std::string best;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec)) {
            const std::string bin = (e.path() / "bin").string();
            if (fs::exists(bin + "/initdb") && fs::exists(bin + "/pg_ctl") && bin > best)
                best = bin;
        }
        return best;
    }

    // Tests run without fsync; a benchmark that quotes figures keeps it.
    explicit PgServer(bool fsync = false) : fsync_(fsync) {
        char name[] = "/tmp/kvpg-XXXXXX";
        if (::mkdtemp(name))
            dir_ = name;
    }
    ~PgServer() {
        stop();
        std::error_code ignored;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ignored);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // initdb (first time) and start; false with the tools' output in `why`.
    bool start(std::string& why) {
        namespace fs = std::filesystem;
        const std::string bin = binDir();
        if (bin.empty()) {
            why = "no PostgreSQL server binaries under /usr/lib/postgresql";
            return false;
        }
        if (dir_.empty()) {
            why = "no folder for the server under /tmp";
            return false;
        }
        const fs::path data = dir_ / "data";
        if (!fs::exists(data / "PG_VERSION")) {
            if (::geteuid() == 0) {
                const passwd* nobody = ::getpwnam("nobody");
                if (!nobody || ::chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
                    why = "cannot hand the server's folder to the user nobody";
                    return false;
                }
            }
            ::chmod(dir_.c_str(), 0755); // the clients' way to the socket
            if (!run(bin + "/initdb",
                     {"-D", QString::fromStdString(data.string()), "-U", "korvelo", "-A", "trust",
                      "--no-sync", "-E", "UTF8"},
                     why))
                return false;
        }
        const QString options =
            QStringLiteral("-k %1 -c listen_addresses= -c fsync=%2 -c max_connections=60")
                .arg(QString::fromStdString(dir_.string()), fsync_ ? "on" : "off");
        return run(bin + "/pg_ctl",
                   {"-D", QString::fromStdString(data.string()), "-l",
                    QString::fromStdString((dir_ / "server.log").string()), "-o", options, "-w",
                    "start"},
                   why);
    }

    // A fast shutdown: connected clients are cut off, as when a server goes down.
    void stop() {
        namespace fs = std::filesystem;
        if (!fs::exists(dir_ / "data" / "postmaster.pid"))
            return;
        std::string ignored;
        run(binDir() + "/pg_ctl",
            {"-D", QString::fromStdString((dir_ / "data").string()), "-m", "fast", "-w", "stop"},
            ignored);
    }

    QString conninfo(const QString& user = QStringLiteral("korvelo")) const {
        return QStringLiteral("host=%1 port=5432 dbname=postgres user=%2")
            .arg(QString::fromStdString(dir_.string()), user);
    }

    // Runs SQL through psql as the superuser; false with psql's output in `why`.
    bool psql(const QString& sqlFile, std::string& why) const {
        return run(binDir() + "/psql", {"-v", "ON_ERROR_STOP=1", "-q", conninfo(), "-f", sqlFile},
                   why, false);
    }

  private:
    // The server's tools run as nobody when the test runs as root.
    bool run(const std::string& program, const QStringList& args, std::string& why,
             bool asServerUser = true) const {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setWorkingDirectory(QString::fromStdString(dir_.string()));
        if (asServerUser && ::geteuid() == 0)
            p.start(QStringLiteral("runuser"),
                    QStringList{"-u", "nobody", "--", QString::fromStdString(program)} + args);
        else
            p.start(QString::fromStdString(program), args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            why = program + " failed: " + p.readAll().toStdString();
            return false;
        }
        return true;
    }

    std::filesystem::path dir_;
    bool fsync_ = false;
};

} // namespace korvelo
