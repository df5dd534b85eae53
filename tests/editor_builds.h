// The edit-time tests run on the native build and on kinemo.qlm in the
// emulated host with each way ORVEX32 may be built: either calling
// convention, one that removes a slot too many, and an image object that
// uses its whole 4 KiB.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "driver/module.h"

struct EditTimeBuild {
    std::string name;
    bool emulated;
    kdrv::EmulatedOptions options;
};
inline void PrintTo(const EditTimeBuild& build, std::ostream* out) { *out << build.name; }

class EditTimeTest : public ::testing::TestWithParam<EditTimeBuild> {
protected:
    void SetUp() override;
    kdrv::Module& m() { return *module_; }

private:
    std::unique_ptr<kdrv::Module> module_;
};
