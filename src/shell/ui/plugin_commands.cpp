#include "shell/ui/plugin_commands.h"

#include "elements/element.h"
#include "elements/element_set.h"
#include "plugins/plugin_hand_over.h"
#include "plugins/ui/modal_runner.h"
#include "plugins/ui/plugins_dialog.h"
#include "shell/ui/main_window.h"
#include "tabledata/ui/data_list_view.h"

namespace quillet::ui {

void ShowPluginsDialog(MainWindow& frame) {
  plugins::ui::PluginsDialog dialog(frame.Elements(), &frame);
  plugins::ui::RunModal(dialog);
}

void RunElementCommand(MainWindow& frame, unsigned id) {
  if (!frame.IsConnected() || !frame.IsIdle()) return;
  xElement* element = frame.Elements().Element(frame.Elements().ListSlot());
  PluginHandOver* handOver = element != nullptr ? element->GetPluginHandOver() : nullptr;
  if (handOver == nullptr) return;
  handOver->RunPluginCommand(id, frame.DataList()->CursorRow(), frame.DataList()->CursorColumn());
}

}  // namespace quillet::ui
