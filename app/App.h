// The Windows side of the installer shell: the main window, the Start
// sequence, the directory chooser and the painting of the background.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/win32/HandlesWin32.h"

#include "run/EarlyEnd.h"
#include "run/Progress.h"

// The window and drawing handles of the installer: its main window and
// edit box, the heading font, the cursors, and what the progress display
// draws with. One instance, windowHandles, lives for the whole run; the
// font, the brush and the drawing context are held, and go at the latest
// with the main window (the cursors are shared ones, never destroyed).
struct WindowHandles {
    HWND mainWindow = nullptr;
    HWND editBox = nullptr;
    GdiObject<HFONT> headingFont;
    HCURSOR waitCursor = nullptr;
    HCURSOR savedCursor = nullptr;
    GdiObject<HBRUSH> counterBrush;
    ScopedGetDC builderDc;  // the progress display's, while it draws
    bool comInitialized = false;  // CoInitialize at window creation succeeded
};

extern WindowHandles windowHandles;

// Control ids of the main window's children.
enum ControlId {
    kStartButton = 200,
    kStopButton = 201,
    kChangeDirButton = 202,
    kFramePanel = 249,
    kPromptLabel = 250,
    kDriveCaption = 251,
    kFolderCaption = 252,
    kDriveList = 300,
    kFolderList = 301,
    kEditBox = 350,
};

HFONT createHeadingFont();
// The progress display's painting on the main window (windowHandles).
ProgressPainter windowPainter();
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The vertical blue gradient over the client rectangle (flat on a
// low-colour display).
void paintGradient(HDC dc, const RECT& client);
// The text in (230, 230, 230) with a black shadow 2 pixels right and below,
// in the font selected in dc.
void drawShadowedText(HDC dc, const char* text, RECT rect);

// The setup file's unpacked folder, when it has one: no target may lie in it.
extern std::string unpackedSetupFolder;

// Reads the edit box into targetDir, in its full, long, normal spelling.
// True when the installation may go there: the folder exists and only
// administrators can change it (any folder, without elevation), or one
// folder level was made for it now (an existing file is taken). False after the
// "Invalid Directory" box (in a silent mode the run ends there, nothing written).
bool acceptTargetDir();

// The "Invalid Directory" box with the text; in the silent modes, where no
// one could type another folder, the run ends (exit code 1).
void showInvalidDirectory(const std::string& text);

// The directory chooser's commands.
void openChooser();
void chooseDrive();
void chooseFolder();
void listFolders(bool skipDot);

// The folder the setup file's payload is unpacked into, removed with its
// contents when the holder goes, at every end of the run. The current
// directory, which may lie in it, moves to the temporary folder first.
class UnpackedFolder {
public:
    UnpackedFolder() = default;
    ~UnpackedFolder();
    UnpackedFolder(const UnpackedFolder&) = delete;
    UnpackedFolder& operator=(const UnpackedFolder&) = delete;

    void hold(const std::string& path) { path_ = path; }
    const std::string& path() const { return path_; }
    void remove();

private:
    std::string path_;
};

// The setup file's payload: when this program carries one, it is checked
// whole and unpacked into a fresh folder of the temporary folder, which
// folder holds and removes again at every end of the run. Damaged: the file
// is cut short or changed, and problem says how. CannotUnpack: the running
// program's file cannot be read as itself, or no folder or file can be made
// to unpack it into, and problem says why. Nothing was written.
enum class SetupPayload { None, Unpacked, Damaged, CannotUnpack };
SetupPayload unpackSetupPayload(UnpackedFolder& folder, std::string& problem);

// The install record: begun at Start once the target directory is known,
// with the run's journal; completed at the end of an installation (written,
// merged with an earlier one, uninstall.exe beside it, the Apps & Features
// entry made). False when any of that could not be done.
void beginInstallRecord();
// The files an earlier installation into the target recorded: those this
// run most likely writes again, asked about before the first copy.
std::vector<std::string> earlierInstalledFiles();
bool completeInstallRecord();

// The single-installation lock, held while the process runs: its name in a
// namespace only administrators can make, where the system has one.
struct PrivateNamespaceTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type space) { ClosePrivateNamespace(space, 0); }
};
struct InstallationLock {
    UniqueHandle<PrivateNamespaceTraits> space;
    KernelHandle mutex;
};
// False when another installation holds it; true when this run holds it,
// or goes on without one (none could be made, or another user's stands in
// its place).
bool takeInstallationLock(InstallationLock& lock);


// The one place where a run ends before its time (EarlyEnd: a fatal error,
// Abort in a copy's box, a journal that cannot be written, a refused target
// in the silent modes). Every change the run made is undone; then the error
// is logged and shown, and what could not be undone is named in a warning.
// Returns the exit code; the process ends in WinMain.
int finishEarlyEnd(const EarlyEnd& end);

// The changes of this run undone, as at an early end; what could not be is
// named in one warning box (a log line when silent).
void takeBackRun();

// Runs that a kill or a power cut left unfinished, found at the start
// before anything else, under the lock: each is undone, after a box (a log
// line when silent) that names its installation. A committed run's
// leftovers are removed.
void recoverUnfinishedRuns(bool quiet);
