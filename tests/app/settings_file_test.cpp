// The settings file: defaults, the five keys, trimmed writes, foreign keys kept.
#include "app/settings_file.h"

#include <gtest/gtest.h>

#include "platform/application.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

TEST(SettingsFileTest, LiesBesideTheExecutable) {
  EXPECT_EQ(SettingsFile::DefaultPath(),
            platform::Application::ExecutableFolder() + "/calmora.ini");
}

TEST(SettingsFileTest, MissingFileOrKeysGiveTheDefaults) {
  test::ScratchFolder dir;
  SettingsFile missing(dir.File("calmora.ini"));
  const StabiliseSettings values = missing.Read();
  EXPECT_EQ(values.Shakiness, "5");
  EXPECT_EQ(values.Accuracy, "15");
  EXPECT_EQ(values.Stepsize, "6");
  EXPECT_EQ(values.Mincontrast, "0.3");
  EXPECT_EQ(values.Smoothing, "10");

  ASSERT_TRUE(test::WriteFileBytes(dir.File("calmora.ini"), "[options]\nshakiness=7\n"));
  const StabiliseSettings partly = SettingsFile(dir.File("calmora.ini")).Read();
  EXPECT_EQ(partly.Shakiness, "7");
  EXPECT_EQ(partly.Accuracy, "15");
}

TEST(SettingsFileTest, WritesTheFiveKeysTrimmedAndKeepsForeignOnes) {
  test::ScratchFolder dir;
  const std::string path = dir.File("calmora.ini");
  ASSERT_TRUE(test::WriteFileBytes(path, "[window]\nleft=3\n[options]\nextra=1\nshakiness=2\n"));
  SettingsFile file(path);
  file.Write({" 7 ", "12", "\t8", "0.25 ", "05"});
  EXPECT_EQ(test::ReadFileBytes(path),
            "[window]\nleft=3\n[options]\nextra=1\nshakiness=7\naccuracy=12\nstepsize=8\n"
            "mincontrast=0.25\nsmoothing=05\n");
  const StabiliseSettings back = file.Read();
  EXPECT_EQ(back.Shakiness, "7");
  EXPECT_EQ(back.Smoothing, "05");
}

TEST(SettingsFileTest, AValueThatIsNoPlainNumberReadsAsAMissingKey) {
  test::ScratchFolder dir;
  const std::string path = dir.File("calmora.ini");
  // Hand-edited values: a comment after the number, an engine option, a blank inside, an
  // empty value, a second point, a sign, a point where the value takes none.
  ASSERT_TRUE(test::WriteFileBytes(path,
                                   "[options]\n"
                                   "shakiness=7 ; steadier\n"
                                   "accuracy=-an\n"
                                   "stepsize=4 -f null\n"
                                   "mincontrast=0.2.5\n"
                                   "smoothing=\n"));
  StabiliseSettings values = SettingsFile(path).Read();
  EXPECT_EQ(values.Shakiness, "5");
  EXPECT_EQ(values.Accuracy, "15");
  EXPECT_EQ(values.Stepsize, "6");
  EXPECT_EQ(values.Mincontrast, "0.3");
  EXPECT_EQ(values.Smoothing, "10");

  ASSERT_TRUE(test::WriteFileBytes(path,
                                   "[options]\nshakiness=+7\naccuracy=1.5\nstepsize=  12  \n"
                                   "mincontrast=.25\nsmoothing=0015\n"));
  values = SettingsFile(path).Read();
  EXPECT_EQ(values.Shakiness, "5");
  EXPECT_EQ(values.Accuracy, "15");
  // Plain numbers stay as written (blanks around a value are the file's, not the value's).
  EXPECT_EQ(values.Stepsize, "12");
  EXPECT_EQ(values.Mincontrast, ".25");
  EXPECT_EQ(values.Smoothing, "0015");
}

}  // namespace
}  // namespace calmora
