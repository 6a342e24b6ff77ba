#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

namespace kiro::test {

// A program directory, a start directory and a temporary directory of the
// test's own, so that nothing of the machine's is read or written. The
// process state (current directory, TMPDIR, the app context and the
// settings) points at them for the fixture's lifetime.
class TestWorkspace {
public:
    TestWorkspace();
    ~TestWorkspace();
    TestWorkspace(const TestWorkspace&) = delete;
    TestWorkspace& operator=(const TestWorkspace&) = delete;

    QString root() const { return m_root.path(); }
    QString exeDir() const { return path("exe"); }
    QString workDir() const { return path("work"); }
    QString tmpDir() const { return path("tmp"); }
    QString path(const char* sub) const;
    QString workIni() const { return workDir() + QStringLiteral("/KIRO.INI"); }

    // The shipped databases, the demonstration product database and the
    // template database in the program directory, as the build lays them
    // out (with their seed rows). The project database is empty unless the
    // demonstration projects are asked for: then it holds them as the build
    // finishes them, with their documents beside the program.
    enum class Projects { Empty, Demo };
    void layOutDatabases(Projects projects = Projects::Empty) const;

    // The source tree's resources folder.
    static QString resourcesDir();

private:
    QTemporaryDir m_root;
    QByteArray m_oldTmp;
    QString m_oldCwd;
};

} // namespace kiro::test
