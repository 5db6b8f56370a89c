#include <gtest/gtest.h>

#include "platform/data/ExprParser.h"
