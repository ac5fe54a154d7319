// The outputs of a batch: where each row writes, and the collisions that refuse a batch
// before it starts, however the paths are spelt.
#include "app/output_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;

class OutputPlanTest : public ::testing::Test {
 protected:
  // A file with some bytes in it, its folders made as needed.
  std::string File(const std::string& relative) {
    const std::string path = dir_.File(relative);
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_TRUE(test::WriteFileBytes(path, "video"));
    return path;
  }

  test::ScratchFolder dir_;
};

TEST_F(OutputPlanTest, CollisionsAreFoundWhateverTheSpelling) {
  struct Case {
    const char* Name;
    std::vector<std::string> Inputs;
    std::string Folder;
    bool Convert;
    int CollidingRow;  // -1: none
    bool ReplacesListedFile;
    int OtherRow;
  };
  const std::string a = File("a/clip.mp4");
  const std::string b = File("b/clip.mp4");
  const std::string avi = File("a/clip.avi");
  const std::string newA = File("a/NEW_clip.mp4");
  const std::string other = File("a/other.mp4");
  fs::create_directories(dir_.File("out"));
  fs::create_directory_symlink(dir_.File("b"), dir_.File("link_to_b"));
  fs::create_hard_link(b, dir_.File("out/other.mp4"));
  const Case cases[] = {
      {"an output replaces the next row's input", {a, b}, dir_.File("b"), false, 0, true, 1},
      {"the same through a linked folder", {a, b}, dir_.File("link_to_b"), false, 0, true, 1},
      {"the same through .. and a double slash",
       {a, b},
       dir_.File("out/..//b/"),
       false,
       0,
       true,
       1},
      {"an output is a hard link to a listed input",
       {other, b},
       dir_.File("out"),
       false,
       0,
       true,
       1},
      {"two inputs of one name", {a, b}, dir_.File("out"), false, 1, false, 0},
      {"two names converted to one", {avi, a}, dir_.File("out"), true, 1, false, 0},
      {"one file listed twice", {a, a}, dir_.File("out"), false, 1, false, 0},
      {"a NEW_ copy names a listed file", {a, newA}, dir_.File("a"), false, 0, true, 1},
      {"its own folder gives a NEW_ copy", {a, other}, dir_.File("a"), false, -1, false, 0},
      {"separate names", {a, avi}, dir_.File("out"), false, -1, false, 0},
      {"a missing output folder", {a, b}, dir_.File("missing"), false, 1, false, 0},
  };
  for (const Case& c : cases) {
    const auto collision = FindOutputCollision(c.Inputs, c.Folder, c.Convert, "*.MP4");
    if (c.CollidingRow < 0) {
      EXPECT_FALSE(collision.has_value()) << c.Name << ": " << collision->Output;
      continue;
    }
    ASSERT_TRUE(collision.has_value()) << c.Name;
    EXPECT_EQ(collision->Input, c.Inputs[c.CollidingRow]) << c.Name;
    EXPECT_EQ(collision->Other, c.Inputs[c.OtherRow]) << c.Name;
    EXPECT_EQ(collision->ReplacesListedFile, c.ReplacesListedFile) << c.Name;
  }
}

// One file listed under several spellings (as it stands, through a linked folder, with ".."
// and doubled slashes, through a hard link) and also the output another row would replace: the
// replacing row is refused, naming the file by the spelling of its first row, wherever in the
// list the spellings stand.
TEST_F(OutputPlanTest, AFileListedUnderSeveralSpellingsIsAlsoTheOutputToBeReplaced) {
  const std::string clip = File("a/clip.mp4");
  const std::string other = File("b/clip.mp4");
  const std::string avi = File("c/clip.avi");
  fs::create_directory_symlink(dir_.File("a"), dir_.File("link_to_a"));
  fs::create_directories(dir_.File("h"));
  fs::create_hard_link(clip, dir_.File("h/clip.mp4"));
  const std::string viaLink = dir_.File("link_to_a/clip.mp4");
  const std::string viaDots = dir_.File("b/..//a/./clip.mp4");
  const std::string viaHardLink = dir_.File("h/clip.mp4");
  struct Case {
    const char* Name;
    std::vector<std::string> Inputs;
    std::string Folder;
    bool Convert;
    int CollidingRow;
    bool ReplacesListedFile;
    int OtherRow;
  };
  const Case cases[] = {
      {"the replacing row first", {other, viaLink, clip, viaDots}, dir_.File("a"), false, 0, true,
       1},
      // The first spelling's own output is a NEW_ copy beside it; the hard link's row would
      // write that copy again before the replacing row is reached.
      {"the spellings' NEW_ copies meet first", {viaDots, viaHardLink, other},
       dir_.File("link_to_a"), false, 1, false, 0},
      {"the replacing row between the spellings", {viaLink, other, clip}, dir_.File("h"), false,
       1, true, 0},
      {"the output folder spelt another way", {other, clip, viaHardLink},
       dir_.File("b/../link_to_a//"), false, 0, true, 1},
      {"converted into the listed file", {avi, viaDots, viaLink}, dir_.File("a"), true, 0, true,
       1},
      // b/clip.mp4 is not listed: the spellings only meet each other there.
      {"every spelling into another folder", {viaLink, clip, viaDots}, dir_.File("b"), false, 1,
       false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto collision = FindOutputCollision(c.Inputs, c.Folder, c.Convert, "*.MP4");
    ASSERT_TRUE(collision.has_value());
    EXPECT_EQ(collision->Input, c.Inputs[c.CollidingRow]);
    EXPECT_EQ(collision->ReplacesListedFile, c.ReplacesListedFile);
    EXPECT_EQ(collision->Other, c.Inputs[c.OtherRow]);
  }
}

TEST_F(OutputPlanTest, TheMessageNamesBothFiles) {
  const std::string a = File("a/clip.mp4");
  const std::string b = File("b/clip.mp4");
  const auto replaces = FindOutputCollision({a, b}, dir_.File("b"), false, "*.MP4");
  ASSERT_TRUE(replaces.has_value());
  EXPECT_EQ(CollisionMessage(*replaces),
            "The output of \"" + a + "\" would replace the listed file \"" + b +
                "\". Please choose another output folder or remove one of these files from the "
                "list.");
  const auto shared = FindOutputCollision({a, b}, dir_.Path(), false, "*.MP4");
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(CollisionMessage(*shared),
            "\"" + a + "\" and \"" + b + "\" would both be written to \"" + dir_.File("clip.mp4") +
                "\". Please choose another output folder or remove one of these files from the "
                "list.");
}

TEST_F(OutputPlanTest, AnOutputIntoTheInputsFolderGetsNewEvenUnderAnotherSpelling) {
  const std::string a = File("a/clip.mp4");
  EXPECT_EQ(PlannedOutputPath(a, dir_.File("a"), false, ""), dir_.File("a/NEW_clip.mp4"));
  fs::create_directory_symlink(dir_.File("a"), dir_.File("link"));
  EXPECT_EQ(PlannedOutputPath(a, dir_.File("link"), false, ""), dir_.File("link/NEW_clip.mp4"));
  EXPECT_EQ(PlannedOutputPath(a, dir_.File("b"), false, ""), dir_.File("b/clip.mp4"));
}

}  // namespace
}  // namespace calmora
