#include "config/TForm12.h"

#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "widgets/Look.h"
#include "widgets/OuterSize.h"
#include "config/AddressRecipe.h"
#include "config/CameraEntry.h"
#include "config/FileFilter.h"
#include "config/LineListModel.h"
#include "config/SettingsLayout.h"
#include "config/SingleLineValidator.h"
#include "widgets/Take.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

QStringList texts(const QList<const char *> &items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

QWidget *createControl(const SettingsLayout::Control &row, QWidget *parent)
{
    using SettingsLayout::Kind;
    const QString text = QString::fromUtf8(row.text);
    QWidget *widget = nullptr;
    switch (row.kind) {
    case Kind::Label: {
        auto *label = new QLabel(text, parent);
        Look::setBoldText(label, Look::colour(SettingsLayout::Yellow));
        label->move(row.rect.topLeft());
        label->adjustSize();
        widget = label;
        break;
    }
    case Kind::Edit: {
        auto *edit = new QLineEdit(text, parent);
        edit->setValidator(new SingleLineValidator(edit));
        widget = edit;
        break;
    }
    case Kind::Radio: {
        auto *radio = new QRadioButton(text, parent);
        Look::setBoldText(radio, Look::colour(SettingsLayout::Yellow));
        widget = radio;
        break;
    }
    case Kind::Combo: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        // Typed texts are used as they stand and never become entries.
        combo->setInsertPolicy(QComboBox::NoInsert);
        // No completion: it would finish "resolution=3" as an entry, and it
        // makes the entry match case-blind, which folds typed text into one.
        combo->setCompleter(nullptr);
        combo->setValidator(new SingleLineValidator(combo));
        combo->addItems(texts(row.items));
        combo->setCurrentIndex(int(combo->findText(text)));
        widget = combo;
        break;
    }
    case Kind::Button:
        widget = new QPushButton(text, parent);
        break;
    case Kind::OkButton:
        widget = new QPushButton(parent->style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), parent);
        break;
    case Kind::CloseButton:
        widget = new QPushButton(parent->style()->standardIcon(QStyle::SP_DialogCloseButton),
                                 QStringLiteral("&Close"), parent);
        break;
    }
    widget->setObjectName(QLatin1String(row.name));
    if (row.kind != Kind::Label)
        widget->setGeometry(row.rect);
    if (*row.hint) {
        Look::enableHint(widget, true);
        Look::setHint(widget, QString::fromUtf8(row.hint));
    }
    widget->setVisible(row.visible);
    return widget;
}

QString runModal(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

TForm12::TForm12(LineList &cameras, QWidget *parent)
    : QWidget(parent, Qt::Window), fileChooser(runModal), m_cameras(cameras)
{
    DialogCameraList.setLines(LineList::emptyLines());

    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QString::fromUtf8(SettingsLayout::Caption));
    setFont(Look::font(QLatin1String(SettingsLayout::FontFamily), SettingsLayout::FontHeight));
    move(SettingsLayout::Left, SettingsLayout::Top);
    // The outer size is reached once the window manager's frame is known.
    (new OuterSize(this))->apply(SettingsLayout::OuterSize);

    buildControls();
    buildListBox();
    buildFileDialogs();
    wireHandlers();
    dockPanel();
}

TForm12::~TForm12() = default;

void TForm12::buildControls()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(SettingsLayout::PanelBevel);
    // Only the panel's own background: its boxes keep their white fields.
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, Look::colour(SettingsLayout::Colour));
    Panel1->setPalette(palette);
    Panel1->setAutoFillBackground(true);

    for (const SettingsLayout::Control &row : SettingsLayout::controls())
        createControl(row, Panel1);

#define OCELLANE_SETTINGS_TAKE(name, ...) take(Panel1, name, #name);
    OCELLANE_SETTINGS_CONTROLS(OCELLANE_SETTINGS_TAKE)
#undef OCELLANE_SETTINGS_TAKE

    RadioButton1->setChecked(true);
}

void TForm12::buildListBox()
{
    ListBox1 = new QListView(Panel1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setUniformItemSizes(true);
    m_listModel = new LineListModel(&DialogCameraList, ListBox1);
    ListBox1->setModel(m_listModel);

    PopupMenu1 = new QMenu(ListBox1);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Effacer1 = PopupMenu1->addAction(QLatin1String(SettingsLayout::ClearCaption));
    Effacer1->setObjectName(QStringLiteral("Effacer1"));
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        ErrorBox::guard([&] { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos)); });
    });
}

void TForm12::buildFileDialogs()
{
    auto make = [this](const char *name, const char *filter, QFileDialog::AcceptMode mode) {
        auto *dialog = new QFileDialog(this);
        dialog->setObjectName(QLatin1String(name));
        // Qt's own dialog behaves the same on every desktop.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAcceptMode(mode);
        dialog->setNameFilters(FileFilter::toNameFilters(QLatin1String(filter)));
        dialog->setDefaultSuffix(QLatin1String(SettingsLayout::DefaultSuffix));
        return dialog;
    };
    SaveDialog1 = make("SaveDialog1", SettingsLayout::SaveFilter, QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    // An existing file is replaced without a question.
    SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
    OpenDialog1 = make("OpenDialog1", SettingsLayout::OpenFilter, QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
}

void TForm12::wireHandlers()
{
    connectGuarded(BitBtn1, &QPushButton::clicked, this, &TForm12::BitBtn1Click);
    connectGuarded(BitBtn2, &QPushButton::clicked, this, &TForm12::BitBtn2Click);
    connectGuarded(BitBtn3, &QPushButton::clicked, this, &TForm12::BitBtn3Click);
    connectGuarded(BitBtn4, &QPushButton::clicked, this, &TForm12::BitBtn4Click);
    connectGuarded(Effacer1, &QAction::triggered, this, &TForm12::Effacer1Click);
    connectGuarded(RadioButton1, &QRadioButton::clicked, this, &TForm12::RadioButton1Click);
    connectGuarded(RadioButton2, &QRadioButton::clicked, this, &TForm12::RadioButton2Click);
}

void TForm12::BitBtn1Click()
{
    // Lines exist only for the nine listed cameras; a typed camera text that
    // names none of them writes nothing.
    const int camera = ComboBox1->findText(ComboBox1->currentText());
    if (camera < 0)
        return;
    const bool server = RadioButton2->isChecked();
    const AddressRecipe::Pieces pieces{Edit2->text(), (server ? ComboBox2 : ComboBox5)->currentText(),
                                       ComboBox4->currentText(), ComboBox3->currentText()};
    const AddressRecipe::Addresses addresses =
        AddressRecipe::build(server ? AddressRecipe::Model::Axis2400 : AddressRecipe::Model::Axis2100, pieces);
    const CameraEntry entry{camera, addresses.stream, addresses.still, Edit1->text(), {}};
    entry.writeInto(DialogCameraList, m_cameras);
}

void TForm12::BitBtn2Click()
{
    const QString fileName = chooseFile(SaveDialog1);
    if (fileName.isEmpty())
        return;
    DialogCameraList.saveToFile(fileName);
}

void TForm12::BitBtn3Click()
{
    hide();
}

void TForm12::BitBtn4Click()
{
    const QString fileName = chooseFile(OpenDialog1);
    if (fileName.isEmpty())
        return;
    LineList &cameras = m_cameras;
    cameras.loadFromFile(fileName);
    DialogCameraList.assign(cameras);
}

void TForm12::Effacer1Click()
{
    const QModelIndexList selected = ListBox1->selectionModel()->selectedIndexes();
    for (qsizetype row = 0; row < DialogCameraList.count(); ++row) {
        if (selected.contains(m_listModel->index(int(row))))
            DialogCameraList.clearLine(row);
    }
}

void TForm12::RadioButton1Click()
{
    ComboBox5->setVisible(true);
    ComboBox2->setVisible(false);
}

void TForm12::RadioButton2Click()
{
    ComboBox5->setVisible(false);
    ComboBox2->setVisible(true);
}

QString TForm12::chooseFile(QFileDialog *dialog)
{
    dialog->setDirectory(QDir::currentPath());
    return fileChooser ? fileChooser(*dialog) : QString();
}

void TForm12::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    dockPanel();
}

void TForm12::dockPanel()
{
    Panel1->setGeometry(rect());
    const int bevel = SettingsLayout::PanelBevel;
    ListBox1->setGeometry(bevel, height() - bevel - SettingsLayout::ListHeight, width() - 2 * bevel,
                          SettingsLayout::ListHeight);
}
