// The bar's interface language: the caption set applied at start-up and the
// three menu items that store the choice for the next start.

#include "bar/TForm1.h"

#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "widgets/Look.h"
#include "bar/CaptionSets.h"
#include "bar/LanguageSettings.h"
#include "onvif/NetworkCamerasWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>

namespace {

// A submenu's caption is the text of its entry in the parent menu.
void setCaption(QObject *item, const QString &text)
{
    if (auto *menu = qobject_cast<QMenu *>(item))
        menu->menuAction()->setText(text);
    else if (auto *action = qobject_cast<QAction *>(item))
        action->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(item))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(item))
        label->setText(text);
    else if (auto *window = qobject_cast<QWidget *>(item); window && window->isWindow())
        window->setWindowTitle(text);
}

void store(Language language)
{
    const QString error = LanguageSettings().storeLanguage(LanguageSettings::value(language));
    if (!error.isEmpty())
        throw FileError(error);
}

} // namespace

void TForm1::wireLanguage()
{
    connectGuarded(Franais1, &QAction::triggered, this, &TForm1::Franais1Click);
    connectGuarded(Anglais1, &QAction::triggered, this, &TForm1::Anglais1Click);
    connectGuarded(Italien1, &QAction::triggered, this, &TForm1::Italien1Click);
}

void TForm1::loadLanguageSetting()
{
    const LanguageSettings settings;
    // A settings file that cannot be written must not keep the program from
    // starting: the entries read below then simply select no set.
    settings.ensureLanguage();
    m_languageEntries = settings.entries();
}

std::optional<Language> TForm1::chosenLanguage() const
{
    if (m_languageEntries.isEmpty())
        return std::nullopt;
    return CaptionSets::chosenBy(m_languageEntries.first());
}

void TForm1::ApplyLanguage()
{
    const auto language = chosenLanguage();
    if (!language)
        return;
    for (const CaptionSets::Row &row : CaptionSets::rows()) {
        QObject *item = findChild<QObject *>(QLatin1String(row.name));
        Q_ASSERT(item);
        const QString text = CaptionSets::text(row, *language);
        if (row.text == CaptionSets::Text::Hint) {
            if (auto *widget = qobject_cast<QWidget *>(item))
                Look::setHint(widget, text);
        } else {
            setCaption(item, text);
        }
    }
    for (int n = 1; n <= LineList::CameraCount; ++n)
        setCaption(findChild<QAction *>(CaptionSets::cameraItemName(n)), CaptionSets::cameraCaption(*language, n));
}

void TForm1::applyNetworkCamerasLanguage()
{
    NetworkCamerasWindow *window = m_windows.networkCameras;
    const auto language = chosenLanguage();
    if (!window || !language)
        return;
    for (const CaptionSets::Row &row : CaptionSets::networkCameraRows()) {
        const QString text = CaptionSets::text(row, *language);
        if (row.text == CaptionSets::Text::Message) {
            window->setMessageText(row.name, text);
            continue;
        }
        QObject *item = window->objectName() == QLatin1String(row.name)
                            ? window
                            : window->findChild<QObject *>(QLatin1String(row.name));
        Q_ASSERT(item);
        setCaption(item, text);
    }
}

void TForm1::Franais1Click()
{
    store(Language::French);
}

void TForm1::Anglais1Click()
{
    store(Language::English);
}

void TForm1::Italien1Click()
{
    store(Language::Italian);
}
