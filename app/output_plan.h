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
std::string PlannedOutputPath(const std::string& filepath, const std::string& outputFolder,
                              bool convertFormat, const std::string& videoFormat);

// Two files of a batch that one output would bring together.
struct OutputCollision {
  std::string Input;   // the row whose output collides
  std::string Output;  // where that row would write
  std::string Other;   // the listed file it would replace, or the other row writing there
  bool ReplacesListedFile = false;  // false: `other` is a row whose output is the same file
};

// The first row, in list order, whose output names a listed file (its own included) or
// the output of a row before it; nothing when every row writes a file of its own.
std::optional<OutputCollision> FindOutputCollision(const std::vector<std::string>& inputs,
                                                   const std::string& outputFolder,
                                                   bool convertFormat,
                                                   const std::string& videoFormat);

// The message that refuses the batch, naming both files.
std::string CollisionMessage(const OutputCollision& collision);

}  // namespace calmora
