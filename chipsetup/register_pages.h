#pragma once
// Every register page, for the listings that go over all of them (the tuning-area catalogue).
// A new register page adds its table here.
#include "chipsetup/core/register_page.h"

#include <span>

namespace korvelo {

std::span<const RegisterPageSpec* const> registerPages();

} // namespace korvelo
