// The tree picture of the core, under the names the tree window and its view use.
#pragma once

#include "pictures/tree_picture.h"

namespace marbleset::shell {

using pictures::DrawTree;
using pictures::LeafAt;
using pictures::ScaleBarLength;
using pictures::TreeDrawing;
using pictures::TreePicture;

}  // namespace marbleset::shell
