#pragma once

#include "app/Forms.h"
#include "config/LineList.h"

#include <memory>

class NetworkCamerasWindow;

// The program's windows, created once in the stored order and destroyed in
// reverse at exit without their close handlers running.
class ProgramWindows
{
public:
    // Creates every window; an error from a constructor propagates, and the
    // windows already created are destroyed again.
    ProgramWindows();
    ~ProgramWindows();

    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    // The camera list every window works on: the bar reads it, the dialog
    // writes into it. It outlives the windows.
    LineList &cameraList() { return m_cameraList; }

private:
    void releaseAll();

    LineList m_cameraList;

    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm11> m_form11;
    std::unique_ptr<TForm12> m_form12;
    std::unique_ptr<TForm13> m_form13;
    std::unique_ptr<TForm4> m_form4;
    std::unique_ptr<TForm10> m_form10;
    std::unique_ptr<TForm6> m_form6;
    // Not one of the stored windows: made last, gone first.
    std::unique_ptr<NetworkCamerasWindow> m_networkCameras;
};

// The start-up steps: title, windows, message loop. Returns the program's
// exit status, 0 also after an error during start-up.
int runProgram(int &argc, char **argv);
