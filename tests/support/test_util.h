// Helpers shared by the test programs: sample pictures, scratch folders, files.
#pragma once
#include <string>
#include <vector>

// DOS path of a file under the shared sample folder ("photos\\a.jpg" or "photos/a.jpg").
std::string samplePath(const std::string &relative);
// DOS path of a file of the source tree.
std::string sourcePath(const std::string &relative);

// A fresh, empty scratch folder (GBK name allowed) under the temp folder; removed
// with everything in it when the object goes out of scope.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string &name = "velmora_test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool copyFileTo(const std::string &from, const std::string &to);
bool writeFileBytes(const std::string &path, const std::string &bytes);
std::string readFileBytes(const std::string &path);
bool pathExists(const std::string &path);
void removeTree(const std::string &path);
// Names (not paths) in a folder, sorted; folders end in '\\'.
std::vector<std::string> folderEntries(const std::string &folder);

// What ImageMagick reads back from a written file ("" format when unreadable).
struct PictureInfo {
    std::string format;
    size_t width = 0, height = 0;
};
PictureInfo readPictureBack(const std::string &path);

// The file of the running test program, for starting a child copy of it.
std::string thisTestProgram();

// Runs a command line (through cmd-less CreateProcess) and returns its exit code;
// output goes to the test's own stdout.
int runProcess(const std::string &commandLine);

// What identify -format FORMAT prints for the first image of a file (ImageMagick's
// own escapes, so no code of the program is involved); empty when it cannot be read.
std::string identifyFirstImage(const std::string &dosPath, const std::string &format);

// Unix form of a DOS path, for the ImageMagick command-line tools.
std::string unixPath(const std::string &dosPath);
// Runs a Unix command line (ImageMagick's convert-im6.q16 ...) and waits for it,
// from either build of the program; true on exit code 0. The folder (DOS path)
// receives a marker file.
bool runTool(const std::string &folder, const std::string &commandLine);

// Runs an ImageMagick command-line tool: "convert-im6.q16 {in} -resize 50% {out}",
// each {} holding a DOS path (turned into its Unix form and quoted). True when
// the tool exits with 0 and the last path exists afterwards.
bool runMagickTool(const std::string &tool, const std::vector<std::string> &arguments);
