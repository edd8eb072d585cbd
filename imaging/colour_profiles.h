// The two ICC profiles of a colour-managed conversion: "sRGB.icc" and the default
// CMYK profile, both read from the folder "icc" beside the program and handed to
// the pipeline as bytes.
#pragma once
#include <string>

// The default CMYK profile when none was ever chosen, and the files tried, in
// this order, when the chosen one cannot be loaded.
extern const char kDefaultCmykProfile[];  // "JapanColor2001Coated.icc"
extern const char *const kCmykFallbackProfiles[];
extern const int kCmykFallbackProfileCount;

// "%s\icc\%s" (program folder, file name).
std::string profilePath(const std::string &programFolder, const std::string &fileName);

enum class ProfileRead { Loaded, Missing, CannotOpen, Unreadable };

// Reads a profile file whole through Win32. Unreadable also covers a file that is
// no ICC profile of the colour space asked for ("RGB " or "CMYK", as the profile
// header names it) and one larger than any real profile (16 MB).
ProfileRead readProfileFile(const std::string &path, const char *colourSpace, std::string &bytes);

// "%s\icc\sRGB.icc" into bytes. On failure bytes stays as it was and message
// holds the text of the error box (caption "错误").
bool loadSrgbProfile(const std::string &programFolder, std::string &bytes, std::string &message);

struct CmykProfileLoad {
    std::string bytes;     // empty: no CMYK profile could be loaded
    std::string name;      // the file name in use from now on
    std::string message;   // text of the error box for the named file; empty when it loaded
};

// The named profile, or, when it cannot be loaded, the first of the fallback list
// that loads; a fallback's name is stored as "cmyk_default_icc". With no profile
// loadable, nothing is stored.
CmykProfileLoad loadCmykProfile(const std::string &programFolder, const std::string &name);

// The profile named by "cmyk_default_icc" (kDefaultCmykProfile when the value is
// missing), as start-up loads it.
CmykProfileLoad loadStoredCmykProfile(const std::string &programFolder);

// What the window program holds for its runs (window thread only; a run works on
// copies in its PipelineInputs).
struct LoadedProfiles {
    std::string srgb;
    std::string cmyk;
};
LoadedProfiles &loadedProfiles();
