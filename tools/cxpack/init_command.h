// cxpack init DIR [--product NAME] [--publisher NAME] [--version A.B.C.D]
//                 [--code CODE]
#pragma once
#include <string>
#include <vector>

// `args` follow the command's name. Exit status: 0 written, 1 failed (DIR
// not empty, or a file that cannot be written), 2 usage (a bad value).
int InitCommand(const std::vector<std::string>& args);
