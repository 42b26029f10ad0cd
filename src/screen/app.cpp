#include "screen/app.h"

#include <clocale>

#include "dialogs/about_dlg.h"
#include "profile/profile.h"
#include "link/link.h"
#include "link/link_log.h"
#include "sim/simulator.h"

namespace klvc {

CKLVCApp::CKLVCApp(ui::Ui& ui) : ui_(ui) {}

CKLVCApp::~CKLVCApp() {
  // The reader may still post boxes until it is stopped; stop it before the
  // screen's sink goes away.
  if (frame_ && !frame_->is_shut_down()) link_.stop();
  if (traffic_listener_) remove_link_listener(traffic_listener_);
  ui_.set_view_painter({});
  view_.reset();
  frame_.reset();
  traffic_.reset();
  sink_.reset();
}

bool CKLVCApp::init_instance(const StartOptions& options) {
  // The clock pane's time text follows the user's locale.
  if (options.set_locale) std::setlocale(LC_ALL, "");
  // Boxes of the port set-up below already go to the screen.
  sink_ = std::make_unique<ScopedUiMessageSink>(ui_);
  // The view lists what the link does from the first port set-up on; the
  // reader's lines arrive on its thread, the post wakes the screen to show them.
  traffic_ = std::make_unique<TrafficLog>();
  traffic_listener_ = add_link_listener([traffic = traffic_.get(), ui = &ui_](LogDirection direction, std::string_view bytes) {
    traffic->add(direction, bytes);
    ui->post([] {});
  });
  const std::string device = options.simulator != nullptr ? options.simulator->slave_path() : std::string();
  frame_ = std::make_unique<CMainFrame>(ui_, options.profile_path.empty() ? profile_path() : options.profile_path,
                                        doc_, link_, ports_, device);
  if (SimulatedPort* sim = options.simulator) {
    // The simulated switcher takes the model, interface and address the document holds.
    auto follow = [sim, this] {
      follow_program_setup(*sim, doc_.model_index, doc_.interface_mode != 0, doc_.slave_number);
    };
    follow();
    frame_->set_setup_listener(follow);
  }
  view_ = std::make_unique<CKLVCView>(*traffic_, [this, simulated = options.simulated] {
    return current_view_status(doc_, link_, ports_, simulated);
  });
  ui_.set_view_painter([view = view_.get()](ui::Canvas& c, const ui::Rect& r) { view->on_draw(c, r); });
  frame_->set_about_handler([this] { on_app_about(); });
  frame_->on_create();
  if (options.simulated) frame_->set_mode_note("simulated switcher");
  if (!options.open_file.empty()) frame_->open_settings_file(options.open_file);
  return true;
}

void CKLVCApp::on_app_about() { ui_.open_modal(std::make_unique<CAboutDlg>()); }

}  // namespace klvc
