// Saving the current camera's still picture as a numbered JPEG file.
#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "bar/BarWidgets.h"
#include "camctl/SnapshotFetcher.h"
#include "base/SnapshotNaming.h"
#include "bar/TForm1.h"

#include <QComboBox>
#include <QDir>

void TForm1::wireSnapshot()
{
    NMHTTP1 = new SnapshotFetcher(this);
    NMHTTP1->setObjectName(QStringLiteral("NMHTTP1"));
    connectGuarded(NMHTTP1, &SnapshotFetcher::finished, this, &TForm1::snapshotFetched);
    connectGuarded(SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
}

QString TForm1::snapshotFolder() const
{
    return m_snapshotFolder.isEmpty() ? SnapshotNaming::defaultFolder() : m_snapshotFolder;
}

void TForm1::SpeedButton5Click()
{
    // One picture at a time: a press while one is on its way is ignored.
    if (NMHTTP1->isBusy())
        return;
    // Everything that can fail before the fetch is done before anything
    // changes, so such a failure leaves the box and the counter as they were.
    const QString still = m_cameras.text(LineList::StillLineOffset + m_currentCamera);
    const QString folder = snapshotFolder();
    if (folder.isEmpty())
        throw OcellaneError(QStringLiteral("There is no folder to save the picture in."));
    const qint32 number = SnapshotNaming::firstFreeNumber(folder, m_snapshotCounter);

    URLCombo->setEditText(still);
    m_snapshotCounter = number + 1;
    // Greyed while the picture is on its way, so a press that would be
    // ignored shows why. Before the fetch, which may end at once.
    SpeedButton5->setEnabled(false);
    NMHTTP1->fetch(URLCombo->currentText(), QDir(folder).filePath(SnapshotNaming::fileName(number)));
}

void TForm1::snapshotFetched(const QString &error)
{
    SpeedButton5->setEnabled(true);
    // A failed fetch leaves the still-image address in the box.
    if (!error.isEmpty())
        throw OcellaneError(error);
    // The camera current now: one chosen while the picture was on its way
    // stays on screen, and the next press takes that one too.
    URLCombo->setEditText(m_cameras.text(m_currentCamera));
    ShowSingleView();
}
