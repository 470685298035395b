#include "core/ParserLib.h"
#include <gtest/gtest.h>
TEST(Smoke, Builds) { SUCCEED(); }
