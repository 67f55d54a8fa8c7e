#pragma once

#include <QString>

#include <memory>

namespace zuvo {

class CMainWindow;

// The application object: fixes where settings live, reads the command line, dial file and phone
// link, makes sure one phone runs per user (handing a number to the running one), picks the
// language bundle and creates and places the main window.
class CPhoneApp {
public:
    CPhoneApp();
    ~CPhoneApp();

    // True to run the event loop, false to end the process (another phone runs, or the
    // telephony library did not load).
    bool InitInstance(const QString& commandLine);
    // Releases what start-up took and returns the process exit code.
    int ExitInstance();

    CMainWindow* mainWindow() const { return m_window.get(); }

private:
    void TakeLink();
    bool HandOverToRunningPhone();
    void RecordProgramPath();
    void ChooseLanguage();
    void RestoreWindowPosition();

    std::unique_ptr<CMainWindow> m_window;
    QString m_bundlePath;  // the language bundle registered, if any
    bool m_languageChosen = false;
};

}  // namespace zuvo
