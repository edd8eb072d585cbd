#include "util/registry_store.h"

#include <vector>

const char *const kProgramRegistryKey = "SOFTWARE\\Velmora";

bool readRegString(HKEY root, const char *key, const char *valueName, char *buffer, DWORD *size)
{
    if (!buffer || !size || *size == 0)
        return false;
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD got = *size;
    LONG rc = RegQueryValueExA(opened, valueName, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &got);
    RegCloseKey(opened);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // The registry keeps whatever bytes were stored: a value written without its
    // terminating zero comes back without one, so terminate it here or refuse it.
    if (got == 0 || buffer[got - 1] != '\0') {
        if (got >= *size)
            return false;
        buffer[got++] = '\0';
    }
    *size = got;
    return true;
}

bool writeRegString(HKEY root, const char *key, const char *valueName, const char *text, DWORD byteCount)
{
    if (!text)
        return false;
    // Never read past the text's own terminating zero, whatever count was passed.
    DWORD available = DWORD(lstrlenA(text)) + 1;
    if (byteCount > available)
        byteCount = available;
    HKEY opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(opened, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), byteCount);
    RegCloseKey(opened);
    return rc == ERROR_SUCCESS;
}

bool readRegDword(HKEY root, const char *key, const char *valueName, DWORD *out)
{
    if (!out)
        return false;
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD got = sizeof(value);
    LONG rc = RegQueryValueExA(opened, valueName, nullptr, &type, reinterpret_cast<BYTE *>(&value), &got);
    RegCloseKey(opened);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || got != sizeof(value))
        return false;
    *out = value;
    return true;
}

bool writeRegDword(HKEY root, const char *key, const char *valueName, DWORD value)
{
    HKEY opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(opened, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
    RegCloseKey(opened);
    return rc == ERROR_SUCCESS;
}

std::string readProgramString(const char *valueName, const std::string &fallback)
{
    // Paths are the longest texts kept here; a value of any length is still read whole.
    std::vector<char> buffer(1024);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = DWORD(buffer.size());
        if (readRegString(HKEY_CURRENT_USER, kProgramRegistryKey, valueName, buffer.data(), &size))
            return std::string(buffer.data());
        HKEY opened;
        DWORD needed = 0;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
            break;
        LONG rc = RegQueryValueExA(opened, valueName, nullptr, nullptr, nullptr, &needed);
        RegCloseKey(opened);
        if (rc != ERROR_SUCCESS || needed < buffer.size())
            break;
        buffer.resize(size_t(needed) + 1);
    }
    return fallback;
}

bool writeProgramString(const char *valueName, const std::string &text)
{
    return writeRegString(HKEY_CURRENT_USER, kProgramRegistryKey, valueName, text.c_str(), DWORD(text.size() + 1));
}

DWORD readProgramDword(const char *valueName, DWORD fallback)
{
    DWORD value = 0;
    return readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, valueName, &value) ? value : fallback;
}

bool writeProgramDword(const char *valueName, DWORD value)
{
    return writeRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, valueName, value);
}
