#pragma once
// A private desktop set-up for the drop tests: text documents (*.txt) open with a program, and
// *.cunreg is a type with no program at all. GIO reads the XDG folders at its first lookup, so
// the same tree is used by every case of the process.

#include "support/temp_home.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace ui_testing {

class DropWorld {
public:
    static DropWorld& get() {
        static DropWorld world;
        return world;
    }
    // Sets the XDG variables again after a TempHome has moved them.
    void apply() const {
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root_ + "/data-dirs").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ + "/config-dirs").c_str(), 1);
        setenv("GIO_USE_VFS", "local", 1);
    }
    const std::string& viewer() const { return viewer_; }

private:
    DropWorld() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "chorelin-drop-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        using testing_support::makeDirs;
        using testing_support::writeFile;
        for (const char* dir :
             {"/data/mime/packages", "/data/applications", "/config", "/data-dirs", "/config-dirs"})
            makeDirs(root_ + dir);
        writeFile(root_ + "/data/mime/packages/drop-test.xml",
                  R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/plain"><comment>text</comment><glob pattern="*.txt"/></mime-type>
  <mime-type type="application/x-chorelin-unregistered"><comment>none</comment><glob pattern="*.cunreg"/></mime-type>
</mime-info>
)");
        const std::string update = "update-mime-database '" + root_ + "/data/mime' >/dev/null 2>&1";
        if (std::system(update.c_str()) != 0)
            throw std::runtime_error("update-mime-database failed");
        viewer_ = root_ + "/viewer";
        writeFile(viewer_, "#!/bin/sh\nexit 0\n", 0755);
        writeFile(root_ + "/data/applications/drop-viewer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + viewer_ +
                      " %f\nMimeType=text/plain;\n");
        writeFile(root_ + "/config/mimeapps.list",
                  "[Default Applications]\ntext/plain=drop-viewer.desktop\n");
    }
    ~DropWorld() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    std::string root_;
    std::string viewer_;
};

} // namespace ui_testing
