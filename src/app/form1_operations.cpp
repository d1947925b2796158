// Encoder operations, the timers' handlers and the settings file.
#include "app/form1.h"

namespace quorvan_app {

void TForm1::BSEND1Click() {}
void TForm1::BSTOR1Click() {}
void TForm1::BREC1Click() {}
void TForm1::BSTATClick() {}
void TForm1::BRESETClick() {}
void TForm1::BSWOFFClick() {}
void TForm1::BSWONClick() {}
void TForm1::BSETTAClick() {}
void TForm1::BSETCTClick() {}
void TForm1::RGPORTClick() {}
void TForm1::CBHPRIClick() {}
void TForm1::Timer1Timer() {}
void TForm1::Timer2Timer() {}
void TForm1::Timer3Timer() {}

void TForm1::SetPortAddress(int) {}
void TForm1::LoadRDSFN() {}
bool TForm1::SaveRDSFN() { return true; }
void TForm1::SetDirectIo(bool) {}
void TForm1::SetLastOperationTimeNow() {}
void TForm1::CloseSerialPort() {}

} // namespace quorvan_app
