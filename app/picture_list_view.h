// The main window's picture list: the list view with its thumbnail image store,
// the two display modes, the status bar texts, the context menu, and the list
// commands the toolbar calls (remove, rotate, flip, thumbnails on/off).
//
// Everything here runs on the window thread. The thumbnail worker hands its
// results to the list's container window (input/thumbnail_worker.h).
#pragma once
#include <windows.h>
#include <string>

#include "input/image_list.h"

// The list's context menu (its commands go to the host's command window).
enum PictureListCommand {
    kCmdListAddPictures = 35200,
    kCmdListAddFolder = 35201,
    kCmdListRemoveSelected = 35202,
    kCmdListRemoveAll = 35203,
    kCmdListToggleThumbnails = 35204,
    kCmdListViewOriginal = 35206,
};
// Toolbar commands whose state the list keeps: remove, rotate left, rotate
// right, flip horizontally, flip vertically and preview need a selection;
// start needs a picture in the list.
enum PictureToolbarCommand {
    kCmdToolAddPictures = 35100,
    kCmdToolRemove = 35102,
    kCmdToolRotateLeft = 35103,
    kCmdToolRotateRight = 35104,
    kCmdToolFlipHorizontal = 35105,
    kCmdToolFlipVertical = 35106,
    kCmdToolPreview = 35107,
    kCmdToolStart = 35108,
};

// What the list needs of the window around it. Every field may stay null; set
// them as the windows come into existence (setPictureListHost).
struct PictureListHost {
    HWND commandWindow = nullptr;   // gets WM_COMMAND of the context menu and of a double click
    HWND statusBar = nullptr;       // two parts: count / selection
    HWND toolbar = nullptr;         // TB_ENABLEBUTTON for 35102..35108
    HWND startButton = nullptr;     // the settings panel's start button
    HWND previewWindow = nullptr;   // the main tool's preview (its visibility matters)
    HWND progressWindow = nullptr;  // the batch run's progress dialog (stops a thumbnail pass)
    void (*refreshPreview)() = nullptr;  // show item pictureListPreviewIndex() again
};

// Creates (once) the list container ("static", "panel") at rect inside parent,
// the list view filling it, the empty-list hint and the image store; starts the
// thumbnail worker. Thumbnails are shown when "is_show_thumbnail" is not 0.
// Returns the list view. The container follows its own size: move it with
// MoveWindow(pictureListContainer(), ...).
HWND createPictureList(HWND parent, const RECT &rect, const PictureListHost &host);
void setPictureListHost(const PictureListHost &host);
const PictureListHost &pictureListHost();
// The thumbnail worker's thread was started with the list.
bool pictureListWorkerStarted();
HWND pictureListView();
HWND pictureListContainer();
ImageList &pictureImageList();

// Adding pictures (discovery, drops). 1 when listed, 0 when already listed or
// refused (unreadable, animated GIF, unrecognised: reported in the information
// window).
int addImageIfNew(const char *path, const char *relFolder);
int addImageItem(const char *path, const char *relFolder);
// Status texts, start command and empty-list hint after a change of the list.
void refreshListStatus();

// Commands.
void removeSelectedImages();
void removeAllImages();
void toggleThumbnails();
void showSystemFileIcon();
// "按照片方向自动旋转" as the listed pictures are shown (thumbnails, the viewer);
// a change makes every thumbnail again the new way.
void setPicturesAutoOrient(bool on);
bool picturesAutoOrient();
void rotateLeft();
void rotateRight();
void flipHorizontal();
void flipVertical();
void selectAllPictures();  // Ctrl+A in the list
// Runs the list commands above for the main window's WM_COMMAND (toolbar 35102
// to 35106, menu 35202 to 35204); false for any other command.
bool handlePictureListCommand(int command);

bool thumbnailsShown();
// "is_read_file_parse_file_format": sniff every added file's header (on) or
// trust a known extension (off).
void setPictureTypeSniffing(bool on);
bool pictureTypeSniffing();

// The main tool's preview shows the item at this index; the arrow keys move it
// with wrap-around (no change with fewer than two items).
int pictureListPreviewIndex();
void setPictureListPreviewIndex(int index);
// Leaving the preview: the list's selection follows the last picture shown there
// (it alone is selected, and scrolled into view) unless that picture is selected
// already.
void selectPreviewedPicture();
void nextPreviewIndex();
void previousPreviewIndex();
// The main tool's preview window, and whether it is showing.
HWND pictureListPreviewWindow();
bool pictureListPreviewShown();
// The arrow keys in the preview: moves to the next (+1) or previous (-1) picture
// and refreshes the preview; false (nothing changes) with fewer than two pictures.
bool stepPreview(int delta);

// Busy rule for the message loop: true while a removal waits for the thumbnail
// worker. pictureListBlocksMessage tells whether to drop a message taken from
// the queue (it also sets the wait pointer); call it first for every message.
bool pictureListBusy();
bool pictureListBlocksMessage(const MSG &msg);

// The location column: the path without the name, "C:\" for a drive root.
std::string pictureLocationText(const char *path);
// Type code of a known extension (113..118), 0 for others.
int pictureTypeFromExtension(const char *path);

// View and list agree (count, order, attached items), for tests.
bool pictureListSelfCheck(std::string *why);
