#include "wizard-components/CkProc.h"

TCipherProgress CipherProgress;
int32_t CipherProgressInterval = 64;
