#include "app/program.h"

#include "app/badge_form.h"
#include "forms/panel_form.h"
#include "forms/settings_dialog.h"

namespace rn {

Program::Program(Desktop& desktop, WinApi& api, FileSystem& files)
    : tk::Runtime(desktop, api, files),
      form1_([this] { return std::make_unique<rn::Form1>(*this); }),
      form2_([this] { return std::make_unique<rn::Form2>(*this); }),
      form3_([this] { return std::make_unique<rn::Form3>(*this); }) {}

Program::~Program() = default;

rn::Form1& Program::Form1() { return form1_(*this); }
rn::Form2& Program::Form2() { return form2_(*this); }
rn::Form3& Program::Form3() { return form3_(*this); }
bool Program::Form3Loaded() const { return form3_.Loaded(); }

void Program::Start() {
  Dispatch([this] { Form1(); });
}

}  // namespace rn
