// The shared precompiled header of the test executables.
#pragma once

#include "Precompiled.h"

#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
