#pragma once
// A private home for one test: HOME, the XDG folders, the runtime folder and the settings
// store all point into a fresh temporary folder, removed afterwards.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& root() const { return root_; }
    std::string home() const { return root_ + "/home"; }
    std::string documents() const { return home() + "/Documents"; }
    std::string configHome() const { return root_ + "/config"; }
    std::string dataHome() const { return root_ + "/data"; }
    std::string runtimeDir() const { return root_ + "/runtime"; }
    std::string autostartDir() const { return configHome() + "/autostart"; }
    std::string settingsFile() const { return configHome() + "/Marrowby/Chorelin.conf"; }
    // A scratch folder for the test's own files.
    std::string scratch() const { return root_ + "/scratch"; }

  private:
    std::string root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};

// Helpers on UTF-8 paths for test set-up.
void writeFile(const std::string& path, const std::string& content, int mode = 0644);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
void makeDirs(const std::string& path);

} // namespace testing_support
