#include "input/discovery.h"

#include <windows.h>
#include <cstring>

#include "util/registry_store.h"
#include "input/file_helpers.h"
#include "util/dialog_text.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {
struct TypeFilterRow {
    const char *label;
    const char *pattern;
};
const TypeFilterRow kTypeFilter[kTypeFilterRows] = {
    {"加载所有图片", ""},
    {"JPG图片  (*.jpg)", "*.jpg"},
    {"PNG图片  (*.png)", "*.png"},
    {"GIF图片  (*.gif)", "*.gif"},
    {"BMP图片  (*.bmp)", "*.bmp"},
    {"JFIF图片 (*.jfif)", "*.jfif"},
    {"TIF图片  (*.tif)", "*.tif"},
    {"TBI图片  (*.tbi)", "*.tbi"},
    {"PSD图片  (*.psd)", "*.psd"},
    {"WEBP图片 (*.webp)", "*.webp"},
    {"HEIC图片 (*.heic)", "*.heic"},
    {"HEIF图片 (*.heif)", "*.heif"},
    {"AVIF图片 (*.avif)", "*.avif"},
};

const char kDialogFolderValue[] = "file_dlg_choose_image";
const char kSkipLargeLoadValue[] = "skip_check_load_pic_count ";  // the trailing space is part of the name

PictureListHooks listHooks = {};
DiscoveryDialogs dialogs = {};
char dialogFolder[MAX_PATH] = "";
bool skipQuestion = false;
}  // namespace

// ---- Pure rules -------------------------------------------------------------

const char *typeFilterLabel(int row) { return row >= 0 && row < kTypeFilterRows ? kTypeFilter[row].label : ""; }
const char *typeFilterPattern(int row) { return row >= 0 && row < kTypeFilterRows ? kTypeFilter[row].pattern : ""; }

std::string pictureFileDialogFilter()
{
    return dialogFilter({
        {"图片文件(*.JPG;*.GIF;*.PNG;*.BMP;*.JFIF;*.TIF;*.TBI;*.PSD;*.WEBP;*.HEIC;*.AVIF)",
         "*.JPG;*.JPEG;*.GIF;*.PNG;*.BMP;*.JFIF;*.TIF;*.TIFF;*.TBI;*.PSD;*.WEBP;*.HEIC;*.HEIF;*.AVIF"},
        {"JPG图片 (*.JPG)", "*.jpg;*.jpeg"},
        {"GIF图片 (*.GIF)", "*.gif"},
        {"PNG图片 (*.PNG)", "*.PNG"},
        {"BMP图片 (*.BMP)", "*.bmp"},
        {"JFIF图片 (*.JFIF)", "*.jfif"},
        {"TIF图片 (*.TIF)", "*.tif;*.tiff"},
        {"TBI图片 (*.TBI)", "*.tbi"},
        {"PSD图片 (*.PSD)", "*.psd"},
        {"WEBP图片 (*.WEBP)", "*.webp"},
        {"HEIC图片 (*.HEIC)", "*.heic;*.heif"},
        {"AVIF图片 (*.AVIF)", "*.avif"},
    });
}

std::string relativeFolderOf(const std::string &chosenFolder, const std::string &picturePath)
{
    std::string chosen = chosenFolder;
    // A folder typed with a trailing backslash names the same folder.
    while (chosen.size() > 3 && findLastBackslash(chosen) == chosen.size() - 1)
        chosen.erase(chosen.size() - 1);
    size_t cut = findLastBackslash(chosen);
    if (cut == std::string::npos)
        return std::string();
    std::string parentPrefix = chosen.substr(0, cut + 1);
    // Only a picture inside the chosen folder has a place below its parent.
    if (picturePath.size() <= chosen.size() + 1 || picturePath.compare(0, chosen.size(), chosen) != 0 ||
        picturePath[chosen.size()] != '\\')
        return std::string();
    std::string rest = picturePath.substr(parentPrefix.size());
    size_t last = findLastBackslash(rest);
    return last == std::string::npos ? std::string() : rest.substr(0, last);
}

bool isDriveRoot(const char *folder) { return folder && strlen(folder) == 3; }

bool shouldAskLargeLoad(int count, bool skipFlag, bool thumbnailsShown)
{
    return !skipFlag && thumbnailsShown && count > kLargeLoadThreshold;
}

void listFolderPictures(const char *folder, const char *pattern, PathList *pictures, LeftOutLines *leftOut)
{
    if (!pattern || !*pattern)
        listPictures(folder, pictures, leftOut);
    else
        listFilesByPattern(folder, pictures, pattern, leftOut);
}

void listSubfolderPictures(const char *folder, const char *pattern, PathList *pictures, LeftOutLines *leftOut)
{
    PathList *subfolders = PathList::create(1024, 128);
    if (!subfolders)
        return;
    listSubfolders(folder, subfolders, true, leftOut);
    for (int i = 0; i < subfolders->count; ++i)
        listFolderPictures(subfolders->text(i), pattern, pictures, leftOut);
    subfolders->destroy(true);
}

// ---- Hooks and state ----------------------------------------------------------

void setPictureListHooks(const PictureListHooks &hooks) { listHooks = hooks; }
void setDiscoveryDialogs(const DiscoveryDialogs &d) { dialogs = d; }

char *pictureDialogFolder() { return dialogFolder; }
bool skipLargeLoadQuestion() { return skipQuestion; }
void setSkipLargeLoadQuestion(bool skip) { skipQuestion = skip; }

static void storeSkipLargeLoadQuestion() { writeProgramDword(kSkipLargeLoadValue, 1); }

void loadPictureDialogFolder()
{
    std::string stored = readProgramString(kDialogFolderValue);
    if (!stored.empty() && stored.size() < MAX_PATH && isDirectory(stored.c_str())) {
        lstrcpynA(dialogFolder, stored.c_str(), MAX_PATH);
        return;
    }
    if (!specialFolderPath(0, dialogFolder))
        dialogFolder[0] = '\0';
}

void storePictureDialogFolder() { writeProgramString(kDialogFolderValue, dialogFolder); }

void loadSkipLargeLoadQuestion() { skipQuestion = readProgramDword(kSkipLargeLoadValue, 0) == 1; }

static int message(const char *text, const char *caption, UINT type)
{
    return dialogs.messageBox ? dialogs.messageBox(text, caption, type) : 0;
}

static void busy(bool on)
{
    if (dialogs.showBusy)
        dialogs.showBusy(on);
}

static void loadFinished()
{
    if (listHooks.refreshListStatus)
        listHooks.refreshListStatus();
    if (listHooks.wakeThumbnailWorker)
        listHooks.wakeThumbnailWorker();
}

// ---- User operations --------------------------------------------------------

int confirmManyPictures(int count)
{
    bool shown = listHooks.thumbnailsShown ? listHooks.thumbnailsShown() : false;
    if (!shouldAskLargeLoad(count, skipQuestion, shown) || !dialogs.askLargeLoad)
        return -1;
    std::string text = formatText("准备加载的图片较多(%d张)，在生成缩略图时会非常的耗时。\n\n是否先取消显示缩略图达到更快的加载速度？", count);
    int answer = dialogs.askLargeLoad(text.c_str(), "提示");
    if (answer == IDYES) {
        if (listHooks.switchThumbnailsOff)
            listHooks.switchThumbnailsOff();
    } else if (answer == IDNO) {
        skipQuestion = true;
        storeSkipLargeLoadQuestion();
    }
    return answer;
}

void addPictureFolder()
{
    if (!dialogs.chooseFolder)
        return;
    char folder[MAX_PATH] = "";
    int row = 0;
    if (!dialogs.chooseFolder(folder, &row) || !folder[0] || !isDirectory(folder))
        return;
    const char *pattern = typeFilterPattern(row);
    if (isDriveRoot(folder)) {
        message(formatText("暂不支持添加根目录：[%s]，请选择下一级文件夹。", folder).c_str(), "错误", MB_ICONERROR);
        return;
    }

    busy(true);
    PathList *pictures = PathList::create(4096, 1024);
    if (!pictures) {
        busy(false);
        return;
    }
    LeftOutLines leftOut;
    listFolderPictures(folder, pattern, pictures, &leftOut);
    if (hasSubfolder(folder) &&
        message("是否需要加载所有子文件夹中的图片？", "确认", MB_YESNO | MB_ICONQUESTION) == IDYES)
        listSubfolderPictures(folder, pattern, pictures, &leftOut);
    // What could not be listed is said, never silently missing from the list.
    logLeftOut(leftOut);

    confirmManyPictures(pictures->count);
    if (pictures->count == 0) {
        message(formatText("在[%s]中没有找到可处理的图片。", folder).c_str(), "提示", MB_ICONWARNING);
    } else {
        for (int i = 0; i < pictures->count; ++i) {
            const char *path = pictures->text(i);
            if (listHooks.addImageIfNew)
                listHooks.addImageIfNew(path, relativeFolderOf(folder, path).c_str());
        }
        loadFinished();
    }
    pictures->destroy(true);
    busy(false);
}

static void returnToProgramFolder()
{
    char module[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    size_t cut = findLastBackslash(module);
    if (cut == std::string::npos)
        return;
    std::string folder = std::string(module, cut);
    if (folder.size() == 2)
        folder += '\\';  // "C:" alone would mean the current folder of that drive
    SetCurrentDirectoryA(folder.c_str());
}

void addPictureFiles()
{
    if (!dialogs.chooseFiles)
        return;
    PathList *pictures = PathList::create(4096, 1024);
    if (!pictures)
        return;
    char folder[MAX_PATH];
    lstrcpynA(folder, dialogFolder, MAX_PATH);
    bool chosen = dialogs.chooseFiles(folder, pictures);
    returnToProgramFolder();
    if (chosen) {
        if (folder[0])
            lstrcpynA(dialogFolder, trimDialogFolder(folder).c_str(), MAX_PATH);
        busy(true);
        int count = pictures->count;
        confirmManyPictures(count);
        for (int i = 0; i < count; ++i) {
            if (listHooks.setStatusText)
                listHooks.setStatusText(formatText("加载图片中: %d/%d", i, count).c_str());
            if (listHooks.addImageIfNew)
                listHooks.addImageIfNew(pictures->text(i), "");
        }
        if (listHooks.refreshListStatus)
            listHooks.refreshListStatus();
        busy(false);
        if (listHooks.wakeThumbnailWorker)
            listHooks.wakeThumbnailWorker();
    }
    pictures->destroy(true);
}
