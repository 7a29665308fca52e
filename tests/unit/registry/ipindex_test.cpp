#include <gtest/gtest.h>
#include "registry/ipindex.h"
