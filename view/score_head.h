// The head of a score's page: the title centred above; at the top left "1=D", the metre as a
// stacked fraction and the tempo as a crotchet followed by "=90" ("≈90" when estimated).
#pragma once

#include <vector>

#include "score/score.h"
#include "view/score_layout.h"
#include "view/score_metrics.h"

namespace velmira {

// Adds the head's primitives for a page of the width; returns the y where the bars begin.
float LayoutScoreHead(const Score& score, const ScoreMetrics& m, float width,
                      std::vector<ScorePrimitive>& out);

}  // namespace velmira
