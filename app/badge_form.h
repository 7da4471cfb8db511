// The floating window: the start-up form, shaped from its bitmap, dragged with
// the left button.
#pragma once

#include "platform/toolkit.h"

namespace rn {

class Program;

class Form1 : public tk::Form {
 public:
  explicit Form1(Program& p);

 protected:
  // The start-up sequence of the whole gadget.
  void Form_Load() override;
  void Form_MouseDown(const tk::MouseArgs& args) override;
  void Form_MouseUp(const tk::MouseArgs& args) override;
  void Form_DblClick() override;
  // The badge is the start-up form: unloading it would run start-up again at
  // its next use. The menu's exit is the one way to end the gadget.
  void Form_QueryClose() override {}
  void Form_SessionEnd() override;
  void Form_DpiChanged() override;

 private:
  tk::PictureBox& Picture1();
  // Sizes the badge to Picture1, in twips; within a batch, as one change.
  void SizeToPicture(tk::ResumeNext& next);
  // Gives the badge Picture1's picture and cuts its outline from it.
  void PaintAndShape(tk::ResumeNext& next);

  Program& p_;
};

}  // namespace rn
