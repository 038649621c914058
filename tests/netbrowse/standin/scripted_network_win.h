// A scripted network for the program under test: registers the stand-in
// network provider in the Wine prefix and tells it where its script is
// (Windows-only test support). Programs started afterwards see the network.
#pragma once

#include <string>

class ScriptedNetwork {
public:
    ScriptedNetwork();
    ~ScriptedNetwork();  // unregisters the provider and removes the script
    ScriptedNetwork(const ScriptedNetwork&) = delete;
    ScriptedNetwork& operator=(const ScriptedNetwork&) = delete;

    bool registered() const { return registered_; }
    // Replaces the script (see network_provider_standin.cpp); the next scan
    // sees it.
    bool write(const std::string& script) const;

private:
    std::string script_path_;
    std::string old_order_;
    bool had_order_ = false;
    bool registered_ = false;
};
