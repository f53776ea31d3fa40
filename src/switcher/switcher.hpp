#pragma once

#include <filesystem>

#include "switcher/services.hpp"
#include "sys/result.hpp"

namespace switcher {

/// The interactive Switcher: takes over the terminal, runs until the user
/// quits and gives the terminal back on every way out. Fails only with a
/// terminal input/output error.
/// `themes_dir` is named by the empty theme list's line.
sys::Result<void> run_switcher(SwitcherServices& services, const std::filesystem::path& themes_dir);

}  // namespace switcher
