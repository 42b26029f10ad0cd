// The document of the single-document shell. It is empty: every setting
// lives in the settings store and all editing happens in the modal dialogs.
// The view (main_view.h) shows where the link stands.
#pragma once

#include "app/main_view.h"

namespace klvc {

class CKLVCDoc {
 public:
  // A new document holds nothing, so there is nothing to reset.
  bool on_new_document() { return true; }
  // The document has no data of its own: nothing is written or read.
  void serialize(bool storing) { (void)storing; }
  bool is_modified() const { return false; }
};

}  // namespace klvc
