#include "app/main_panel.h"

namespace app {

MainPanel::MainPanel(platform::EventLoop& loop, platform::Dialogs& dialogs,
                     platform::AudioInput& input, platform::AudioOutput& output)
    : loop_(loop), dialogs_(dialogs), panel_(loop, dialogs, this),
      analyzer_(loop, dialogs, panel_, input), settlingEditor_(panel_, dialogs),
      generator_(panel_, loop, dialogs, output, generatorLink_) {}

} // namespace app
