// The camera sequencer's controls: the period box, ON, OFF, the nine
// inclusion panels and the timer step.
#include "base/ErrorGuard.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTimer>

namespace {

// Puts a step's effects on the bar as the step asks for them.
class BarSink : public Sequencer::Sink
{
public:
    explicit BarSink(TForm1 &bar)
        : m_bar(bar)
    {
    }
    void setAddress(const QString &address) override { m_bar.URLCombo->setEditText(address); }
    void showSingleView() override { m_bar.ShowSingleView(); }
    void paintPanel(int camera, int colour) override { m_bar.inclusionPanels().at(camera - 1)->setColour(colour); }

private:
    TForm1 &m_bar;
};

} // namespace

void TForm1::wireSequencer()
{
    connectGuarded(Timer1, &QTimer::timeout, this, &TForm1::PlayList);
    connectGuarded(CSpinEdit1, &QSpinBox::valueChanged, this, &TForm1::CSpinEdit1Change);

    using Handler = void (TForm1::*)();
    const QList<std::pair<ClickPanel *, Handler>> panels{
        {Panel7, &TForm1::Panel7Click},   {Panel8, &TForm1::Panel8Click},   {Panel3, &TForm1::Panel3Click},
        {Panel4, &TForm1::Panel4Click},   {Panel5, &TForm1::Panel5Click},   {Panel6, &TForm1::Panel6Click},
        {Panel15, &TForm1::Panel15Click}, {Panel16, &TForm1::Panel16Click}, {Panel17, &TForm1::Panel17Click},
        {Panel18, &TForm1::Panel18Click}, {Panel19, &TForm1::Panel19Click},
    };
    for (const auto &[panel, handler] : panels)
        connectGuarded(panel, &ClickPanel::clicked, this, handler);
}

void TForm1::PlayList()
{
    BarSink sink(*this);
    m_sequencer.tick(m_cameras, sink);
}

void TForm1::CSpinEdit1Change()
{
    const int seconds = CSpinEdit1->value();
    if (seconds <= 0) {
        Timer1->stop();
        Panel8->setColour(Sequencer::Red);
        Panel7->setColour(Sequencer::Silver);
        return;
    }
    // The first step comes one whole period from now.
    Timer1->start(seconds * 1000);
    Panel7->setColour(Sequencer::Lime);
    Panel8->setColour(Sequencer::Silver);
}

void TForm1::Panel7Click()
{
    // Runs the period change only when the value changes: at 2 already the
    // sequencer keeps its pace.
    CSpinEdit1->setValue(2);
    Panel7->setColour(Sequencer::Lime);
    Panel8->setColour(Sequencer::Silver);
}

void TForm1::Panel8Click()
{
    CSpinEdit1->setValue(0);
    Panel8->setColour(Sequencer::Red);
    Panel7->setColour(Sequencer::Silver);
}

void TForm1::toggleInclusion(int camera)
{
    const int colour = m_sequencer.toggle(camera);
    inclusionPanels().at(camera - 1)->setColour(colour);
}

void TForm1::Panel3Click() { toggleInclusion(1); }
void TForm1::Panel4Click() { toggleInclusion(2); }
void TForm1::Panel5Click() { toggleInclusion(3); }
void TForm1::Panel6Click() { toggleInclusion(4); }
void TForm1::Panel15Click() { toggleInclusion(5); }
void TForm1::Panel16Click() { toggleInclusion(6); }
void TForm1::Panel17Click() { toggleInclusion(7); }
void TForm1::Panel18Click() { toggleInclusion(8); }
void TForm1::Panel19Click() { toggleInclusion(9); }
