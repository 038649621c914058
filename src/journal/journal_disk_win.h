// The message journal's files on Windows: one folder, one open file for the
// appends, replacement by MoveFileEx where the system has it (Windows only).
#pragma once

#include <windows.h>

#include <string>

#include "core/handles_win.h"
#include "core/lock.h"
#include "journal/journal.h"

class Win32JournalDisk final : public JournalDisk {
public:
    explicit Win32JournalDisk(std::string folder);

    Read read(const std::string& name, std::string& bytes) override;
    bool exists(const std::string& name) override;
    size_t append(const std::string& name, std::string_view bytes) override;
    bool truncate(const std::string& name, uint64_t size) override;
    bool write_whole(const std::string& name, std::string_view bytes) override;
    bool replace(const std::string& from, const std::string& to) override;
    bool rename(const std::string& from, const std::string& to) override;
    bool remove(const std::string& name) override;
    // Safe from another thread than the writer's: it flushes a duplicate of
    // the append handle, so a slow disk holds up only that thread.
    void flush(const std::string& name) override;

    std::string path(const std::string& name) const { return folder_ + "\\" + name; }

private:
    HANDLE appender(const std::string& name);
    void close_appender();

    std::string folder_;
    Lock lock_;  // guards the append handle against flush
    UniqueFile append_file_;
    std::string append_name_;
};

// Where the journal lives: %APPDATA%\Quorvanta Messenger where the shell
// knows the application data folder (SHGetFolderPath, looked up at run time
// in shell32 and then shfolder); else the program's own folder when a file
// can be created there; else the Windows folder. Created when missing and
// `create`.
std::string journal_folder(bool create = true);
