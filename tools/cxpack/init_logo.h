// The placeholder logo `cxpack init` puts where the wizard draws its logo:
// a 438 x 98 banner (the dialog's logo area at its standard font), a
// 16-colour uncompressed BMP that every decoder reads.
#pragma once
#include <string>

std::string PlaceholderLogoBmp();
