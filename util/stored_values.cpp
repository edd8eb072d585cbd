#include "util/stored_values.h"

#include "util/registry_store.h"

bool RegistryValues::readDword(const char *name, DWORD &value) const
{
    return readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, name, &value);
}

bool RegistryValues::readText(const char *name, std::string &value) const
{
    // A value that is missing and one stored empty read alike: both are no choice.
    const std::string missing("\x01missing");
    std::string text = readProgramString(name, missing);
    if (text == missing)
        return false;
    value = text;
    return true;
}

bool ValueMap::readDword(const char *name, DWORD &value) const
{
    auto it = values_.find(name);
    if (it == values_.end() || it->second.isText)
        return false;
    value = it->second.number;
    return true;
}

bool ValueMap::readText(const char *name, std::string &value) const
{
    auto it = values_.find(name);
    if (it == values_.end() || !it->second.isText)
        return false;
    value = it->second.text;
    return true;
}

void ValueMap::setDword(const std::string &name, DWORD value)
{
    Value &v = values_[name];
    v.isText = false;
    v.number = value;
    v.text.clear();
}

void ValueMap::setText(const std::string &name, const std::string &value)
{
    Value &v = values_[name];
    v.isText = true;
    v.number = 0;
    v.text = value;
}

bool ValueMap::storeInRegistry() const
{
    bool all = true;
    for (const auto &entry : values_) {
        bool ok = entry.second.isText ? writeProgramString(entry.first.c_str(), entry.second.text)
                                      : writeProgramDword(entry.first.c_str(), entry.second.number);
        all = all && ok;
    }
    return all;
}
