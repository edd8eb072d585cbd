// Reading and writing whole files through Win32 so that nothing the program
// does leaves a half file under a real name: every write goes to a temporary
// file of the program's own in the target's folder, which is then renamed into
// place. A run that is killed leaves at most such a temporary file; the next run
// that writes into that folder removes it (removeOwnTempFiles).
//
// Whose a temporary file is, is told by the run token in its name, never by a
// process id: under Wine the first process of a fresh server always gets the
// same id, so a new run would take a killed run's files for its own. Each
// process holds a named lock for its token while it lives (runTokenIsAlive).
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// What the platform says about an error code, in GBK, without the line break
// ("磁盘空间不足。"); "error N" when it has no text.
std::string systemErrorText(DWORD code);

// Reads the whole file into bytes. false with the error code (ERROR_FILE_TOO_LARGE
// for a file over maxBytes); a read error of the disk is an error here, never a
// fault. An empty file reads as no bytes and true. opened (if given) tells whether
// the file could be opened at all.
bool readWholeFile(const std::string &path, std::vector<unsigned char> &bytes, size_t maxBytes, DWORD &error,
                   bool *opened = nullptr);

// The temporary files the program writes are named "~velmora-<run token>-<n>.tmp".
extern const char kOwnTempPrefix[];  // "~velmora-"

// This process's run token: 8 hexadecimal digits, the same for the life of the
// process and held by no other living process of this session.
const std::string &ownRunToken();
// True while a process holds the token (this process for its own token). A
// process that ended, however it ended, holds none.
bool runTokenIsAlive(const std::string &token);

// Writes bytes to a new temporary file of the program's own in folder and flushes
// it. true with its path in tempPath; false with the error code (nothing remains);
// created (if given) tells whether the file could be made at all, so that a
// folder that refuses new files is told apart from a disk that fills up.
bool writeOwnTempFile(const std::string &folder, const void *bytes, size_t size, std::string &tempPath,
                      DWORD &error, bool *created = nullptr);

enum class PlaceResult {
    Placed,     // target now holds the bytes of the temporary file
    NameTaken,  // target exists and was not to be replaced; the temporary file stays for another try
    Failed,     // error holds the code; the temporary file is gone
};
// Renames a temporary file (same folder) to target. With replace, an existing
// target is replaced in one step (the old file stays whole until then); without
// it an existing target is never touched.
PlaceResult placeOwnTempFile(const std::string &tempPath, const std::string &target, bool replace, DWORD &error);

// writeOwnTempFile beside target + placeOwnTempFile(replace). A read-only target
// is not replaced (ERROR_ACCESS_DENIED); Wine would rename over it.
bool replaceFileWith(const std::string &target, const void *bytes, size_t size, DWORD &error);

// Removes the temporary files of the program's own that a run which no longer
// lives left in folder (a killed run). Files of living runs, and every file with
// another name, stay. Returns how many were removed.
int removeOwnTempFiles(const std::string &folder);

// The folder part of a path ("." for a bare name, "C:\" for a file in a root).
std::string folderOfPath(const std::string &path);
