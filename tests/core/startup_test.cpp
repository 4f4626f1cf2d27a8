#include <gtest/gtest.h>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;

TEST(StartUp, CreatesBuffersAndWindowsAsLaidOut) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  EXPECT_EQ(p.ui.appTitle, "\"Tormel Saragon 2\" Script Editor");
  EXPECT_EQ(f.gMainReady, 1);
  EXPECT_EQ(f.gDataLoaded, 0);
  EXPECT_EQ(f.gBitmap.width, 320);
  EXPECT_EQ(f.gBitmap.height, 256);
  EXPECT_EQ(f.gDefClientW, 320);
  EXPECT_EQ(f.gDefClientH, 275);
  EXPECT_EQ(f.gPages[0].height, 0x300);
  EXPECT_EQ(f.gCharTable[0x41].colour, 0x0F);
  EXPECT_EQ(f.gCharTable16[0xFFFF].colour, 0x0F);
  EXPECT_EQ(p.ui.window(FormId::TxtForm).caption(), "Text Editor");
  EXPECT_TRUE(p.ui.window(FormId::cmForm).visible());
  EXPECT_FALSE(p.ui.window(FormId::KanaForm).visible());
}

TEST(StartUp, FailedBufferAllocationClosesTheProgram) {
  headless::HeadlessToolkit ui;
  Program program(ui, [](const std::string& what) { return what == "gWRAM"; });
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"Fatal Error: Could not allocate memory!"});
  EXPECT_TRUE(program.myForm.closed);
  EXPECT_EQ(program.myForm.gMainReady, 0);
}

}  // namespace
}  // namespace ts2
