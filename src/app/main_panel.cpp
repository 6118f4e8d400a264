#include "app/main_panel.h"

namespace app {

MainPanel::MainPanel(platform::EventLoop& loop, platform::Dialogs& dialogs,
                     platform::AudioInput& input)
    : loop_(loop), dialogs_(dialogs), panel_(loop, dialogs, this),
      analyzer_(loop, dialogs, panel_, input), settlingEditor_(panel_, dialogs) {
    panel_.controls()["Gen_On"].onClick([this] { Gen_On_Click(); });
    panel_.controls()["Gen_Off"].onClick([this] { Gen_Off_Click(); });
}

void MainPanel::Gen_On_Click() {
    analyzer_.startCaptureTimer();
}

void MainPanel::Gen_Off_Click() {
    analyzer_.DoStop();
}

} // namespace app
