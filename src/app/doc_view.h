// The document and the view of the single-document shell. Both are empty:
// every setting lives in the settings store and all editing happens in the
// modal dialogs, so the view paints nothing but its background.
#pragma once

namespace klvc {

class CKLVCDoc {
 public:
  // A new document holds nothing, so there is nothing to reset.
  bool on_new_document() { return true; }
  // The document has no data of its own: nothing is written or read.
  void serialize(bool storing) { (void)storing; }
  bool is_modified() const { return false; }
};

class CKLVCView {
 public:
  explicit CKLVCView(CKLVCDoc& doc) : doc_(doc) {}
  CKLVCDoc& document() const { return doc_; }
  // Paints only the background, which the screen layer already clears.
  void on_draw() const {}

 private:
  CKLVCDoc& doc_;
};

}  // namespace klvc
