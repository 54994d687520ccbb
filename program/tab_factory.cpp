#include "tab_factory.h"

#include "acapt_tab.h"
#include "live_tab.h"
#include "nuvix_sdk_dlg.h"
#include "pinax_tab.h"
#include "play_tab.h"
#include "serial_tab.h"
#include "squad_tab.h"
#include "video_tab.h"

CTabDialog* MakeTab(int tabIndex) {
  switch (tabIndex) {
    case CNuvixSdkDlg::kLive: return new CLiveTab;
    case CNuvixSdkDlg::kVideo: return new CVideoTab;
    case CNuvixSdkDlg::kAudio: return new CAcaptTab;
    case CNuvixSdkDlg::kSerial: return new CSerialTab;
    case CNuvixSdkDlg::kSquad: return new CSquadTab;
    case CNuvixSdkDlg::kPinax: return new CPinaxTab;
    case CNuvixSdkDlg::kPlay: return new CPlayTab;
    default: return nullptr;
  }
}
