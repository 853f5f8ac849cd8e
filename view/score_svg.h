// A score's page as a standalone SVG document (UTF-8), written from the same primitives that
// the 简谱 window draws: it opens in any browser and prints.
#pragma once

#include <string>

#include "view/score_layout.h"

namespace velmira {

std::string ScoreSvg(const ScoreLayout& layout);

}  // namespace velmira
