// cxpack plan PACKAGE_DIR|SCRIPT [--mode install|uninstall]
//             [--lang zh_cn|en_us|zh_tw] [--os 64|32] [--json]
#pragma once
#include <string>
#include <vector>

// `args` follow the command's name. Exit status: 0 done, 1 a bad input,
// 2 usage.
int PlanCommand(const std::vector<std::string>& args);
