// The running gadget: the toolkit runtime, the shared state and the three forms.
#pragma once

#include "app/shared_state.h"
#include "platform/toolkit.h"

namespace rn {

class Form1;
class Form2;
class Form3;

class Program : public tk::Runtime {
 public:
  Program(Desktop& desktop, WinApi& api, FileSystem& files);
  ~Program() override;

  // Each use creates and loads its form, hidden, the first time.
  rn::Form1& Form1();
  rn::Form2& Form2();
  rn::Form3& Form3();
  bool Form3Loaded() const;

  // Loads the start-up form, whose Load event brings the whole gadget up.
  void Start();

  rn::Module1 module1;

 private:
  tk::FormRef<rn::Form1> form1_;
  tk::FormRef<rn::Form2> form2_;
  tk::FormRef<rn::Form3> form3_;
};

}  // namespace rn
