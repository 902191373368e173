#pragma once

class TForm1;

// Where the main window keeps its state between runs ("vx.ini": the hidden
// position labels, the filter text and its check box). The window reads it
// once at its first show and writes it after a move or resize and on close.
class TWindowStateStore {
public:
  virtual ~TWindowStateStore() = default;
  // Fills the window's persisted controls; false when nothing was read.
  virtual bool read(TForm1 &form) = 0;
  virtual bool write(TForm1 &form) = 0;
};
