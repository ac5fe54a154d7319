// Where each row of a batch writes, and the check made before a batch starts that no row
// writes over a listed file or over another row's output, however the paths are spelt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace calmora {

// The output file of one input: OutputPath, with "NEW_" in front of the name also when
// the result names the input itself under another spelling (a link, "..", a second
// slash), since writing there would destroy the input while the engine reads it.
std::string PlannedOutputPath(const std::string& filepath, const std::string& output_folder,
                              bool convert_format, const std::string& video_format);

// Two files of a batch that one output would bring together.
struct OutputCollision {
  std::string input;   // the row whose output collides
  std::string output;  // where that row would write
  std::string other;   // the listed file it would replace, or the other row writing there
  bool replaces_listed_file = false;  // false: `other` is a row whose output is the same file
};

// The first row, in list order, whose output names a listed file (its own included) or
// the output of a row before it; nothing when every row writes a file of its own.
std::optional<OutputCollision> FindOutputCollision(const std::vector<std::string>& inputs,
                                                   const std::string& output_folder,
                                                   bool convert_format,
                                                   const std::string& video_format);

// The message that refuses the batch, naming both files.
std::string CollisionMessage(const OutputCollision& collision);

}  // namespace calmora
