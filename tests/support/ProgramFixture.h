#pragma once

#include "base/ErrorGuard.h"
#include "app/Forms.h"
#include "app/Startup.h"
#include "bar/TForm1.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// The program's whole set of windows, started in a scratch folder (so no
// config.lst is found and nothing lands in the source tree), with the error
// box recorded instead of shown.
class ProgramFixture
{
public:
    ProgramFixture() : m_oldCwd(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        ErrorBox::setPresenter([this](const QString &message) { errors << message; });
    }
    ~ProgramFixture()
    {
        stop();
        ErrorBox::setPresenter({});
        QDir::setCurrent(m_oldCwd);
    }
    ProgramFixture(const ProgramFixture &) = delete;
    ProgramFixture &operator=(const ProgramFixture &) = delete;

    // Creates the windows; the camera list gets `lines` addresses on a
    // closed local port, so nothing is looked up or reached.
    void start(int lines = 31)
    {
        m_windows = std::make_unique<ProgramWindows>();
        s_cameras = &m_windows->cameraList();
        errors.clear();
        setList(lines);
    }
    void stop()
    {
        s_cameras = nullptr;
        m_windows.reset();
    }

    static QString address(int line) { return QStringLiteral("http://127.0.0.1:9/cam/%1").arg(line); }
    // The camera list the started windows work on.
    static LineList &cameras() { return *s_cameras; }
    static void setList(int lines)
    {
        QList<QByteArray> content;
        for (int i = 0; i < lines; ++i)
            content.append(address(i).toLatin1());
        cameras().setLines(content);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QStringList errors;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
    std::unique_ptr<ProgramWindows> m_windows;
    inline static LineList *s_cameras = nullptr;
};
