// The two user operations that feed the picture list: adding a folder (with the
// type filter and the optional descent into sub-folders) and adding files (the
// multi-select open dialog), plus the question asked before a large load.
//
// The dialogs and the picture list are reached through two small records of
// plain functions, so that the operations run headless in tests; the program
// installs the real window-kit dialogs (app/discovery_dialogs.h).
#pragma once
#include <windows.h>
#include <string>

#include "input/file_helpers.h"

struct PathList;

// What the picture list offers to discovery.
struct PictureListHooks {
    // Adds one path with its relative folder; a path already listed is ignored.
    void (*addImageIfNew)(const char *path, const char *relativeFolder);
    // Refreshes the status bar and the toolbar after a load.
    void (*refreshListStatus)();
    // Signals the thumbnail worker's wake-up event (once per load).
    void (*wakeThumbnailWorker)();
    // True while thumbnails are shown.
    bool (*thumbnailsShown)();
    // The main window's thumbnail toggle, used to switch thumbnails off.
    void (*switchThumbnailsOff)();
    // Text of the status bar's second field.
    void (*setStatusText)(const char *text);
};

// The dialogs discovery shows.
struct DiscoveryDialogs {
    // Folder browser with the type filter. folder (MAX_PATH bytes) receives the
    // choice, filterRow the chosen row (0 when untouched). False when cancelled.
    bool (*chooseFolder)(char *folder, int *filterRow);
    // Multi-select open dialog starting in folder (MAX_PATH, receives the dialog's
    // folder); appends the chosen full paths to list. False when cancelled.
    bool (*chooseFiles)(char *folder, PathList *list);
    // A message box (MessageBoxA answers).
    int (*messageBox)(const char *text, const char *caption, UINT type);
    // The large-load question: Yes, No ("不再提示") or Cancel ("否(&N)").
    int (*askLargeLoad)(const char *text, const char *caption);
    // Wait cursor while listing.
    void (*showBusy)(bool busy);
};

// Installs the picture list's hooks (any member may be null: it is then skipped).
void setPictureListHooks(const PictureListHooks &hooks);
// Installs the dialogs (app/discovery_dialogs.h has the program's own).
void setDiscoveryDialogs(const DiscoveryDialogs &dialogs);

// ---- State kept between calls ----------------------------------------------

// The folder the add-files dialog starts in (MAX_PATH bytes; filled at start-up
// from "file_dlg_choose_image", written back when the main window closes).
char *pictureDialogFolder();
// Start-up and shutdown: the folder from "file_dlg_choose_image" (the desktop when
// the value is missing or no longer an existing folder), and writing it back.
void loadPictureDialogFolder();
void storePictureDialogFolder();
// The never-ask-again flag of the large-load question ("skip_check_load_pic_count ").
bool skipLargeLoadQuestion();
void setSkipLargeLoadQuestion(bool skip);
// Reads the flag from the registry (start-up).
void loadSkipLargeLoadQuestion();

// ---- User operations --------------------------------------------------------

void addPictureFolder();
void addPictureFiles();
// Asks before loading more than 2000 pictures with thumbnails shown; returns the
// answer (IDYES, IDNO, IDCANCEL) or -1 when nothing was asked. The load goes on in any case.
int confirmManyPictures(int count);

// ---- Pure rules -------------------------------------------------------------

constexpr int kLargeLoadThreshold = 2000;
constexpr int kTypeFilterRows = 13;
// Label of a type-filter row, and the file pattern it stands for ("" for row 0 and
// for rows out of range: the picture extension set).
const char *typeFilterLabel(int row);
const char *typeFilterPattern(int row);
// The add-files dialog's filter (label and patterns pairs, NUL separated).
std::string pictureFileDialogFilter();
// The picture's folder relative to the parent of the chosen folder, so it begins
// with the chosen folder's own name: chosen D:\photos\trip, picture
// D:\photos\trip\day1\a.jpg -> "trip\day1". Empty when the picture is not below it.
std::string relativeFolderOf(const std::string &chosenFolder, const std::string &picturePath);
// A drive root such as "D:\" (exactly three characters).
bool isDriveRoot(const char *folder);
bool shouldAskLargeLoad(int count, bool skipFlag, bool thumbnailsShown);
// The pictures of one folder for a type-filter pattern ("" or null: the picture
// extension set), appended to pictures; what could not be taken to leftOut.
void listFolderPictures(const char *folder, const char *pattern, PathList *pictures,
                        LeftOutLines *leftOut = nullptr);
// The same for every sub-folder of folder, all levels, in pre-order.
void listSubfolderPictures(const char *folder, const char *pattern, PathList *pictures,
                           LeftOutLines *leftOut = nullptr);
