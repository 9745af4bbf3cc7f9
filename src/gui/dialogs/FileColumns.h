#pragma once

class QFileDialog;

namespace velinor {

// Sizes the detail view's columns of a file dialog to what they show, so that
// neither names nor sizes are cut ("80....Ki").
void SizeFileColumnsToContent(QFileDialog& dialog);

}  // namespace velinor
