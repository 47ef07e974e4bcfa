// An in-memory registry for tests: both roots get a hive without a file, installed for the
// object's lifetime. user/machine give the hives for seeding and checking (WriteLog() lists
// every write in order; SetReadOnly() makes a hive refuse changes, as for an ordinary user).
#pragma once

#include "platform/app_profile.h"
#include "platform/registry.h"

class ScriptedRegistry {
public:
    ScriptedRegistry()
    {
        platform::SetRegistryHive(platform::HKEY_CURRENT_USER, &user);
        platform::SetRegistryHive(platform::HKEY_LOCAL_MACHINE, &machine);
        platform::SetRegistryKey("Brightmoor");
    }
    ~ScriptedRegistry()
    {
        platform::SetRegistryHive(platform::HKEY_CURRENT_USER, nullptr);
        platform::SetRegistryHive(platform::HKEY_LOCAL_MACHINE, nullptr);
    }
    ScriptedRegistry(const ScriptedRegistry&) = delete;
    ScriptedRegistry& operator=(const ScriptedRegistry&) = delete;

    // Seeds the user hive with REGEDIT4 text; returns the number of lines that could not be read.
    int LoadUser(const std::string& text) { return user.LoadText(text); }

    platform::Hive user{"HKEY_CURRENT_USER", ""};
    platform::Hive machine{"HKEY_LOCAL_MACHINE", ""};
};
