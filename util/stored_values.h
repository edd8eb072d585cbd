// Named values a tool keeps between runs: DWORDs and texts under the registry
// names (snake case with the tool's prefix). The window reads and stores them in
// HKCU "SOFTWARE\Velmora"; the command line takes the same names from a settings
// file. Jobs read them through StoredValues and so do not care where they live.
#pragma once
#include <windows.h>

#include <map>
#include <string>

class StoredValues {
public:
    virtual ~StoredValues() = default;
    // False when the value is missing (or not of that kind).
    virtual bool readDword(const char *name, DWORD &value) const = 0;
    virtual bool readText(const char *name, std::string &value) const = 0;

    DWORD dwordOr(const char *name, DWORD fallback) const
    {
        DWORD value = 0;
        return readDword(name, value) ? value : fallback;
    }
};

// HKCU "SOFTWARE\Velmora".
class RegistryValues : public StoredValues {
public:
    bool readDword(const char *name, DWORD &value) const override;
    bool readText(const char *name, std::string &value) const override;
};

// Values held in memory: what a window's controls say, or what a settings file holds.
class ValueMap : public StoredValues {
public:
    bool readDword(const char *name, DWORD &value) const override;
    bool readText(const char *name, std::string &value) const override;
    void setDword(const std::string &name, DWORD value);
    void setText(const std::string &name, const std::string &value);
    bool has(const std::string &name) const { return values_.count(name) != 0; }
    // Writes every value to HKCU "SOFTWARE\Velmora"; false when any write failed
    // (the others are still written).
    bool storeInRegistry() const;

private:
    struct Value {
        bool isText = false;
        DWORD number = 0;
        std::string text;
    };
    std::map<std::string, Value> values_;
};
