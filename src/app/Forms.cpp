#include "app/Forms.h"

TForm1 *Form1 = nullptr;
TForm2 *Form2 = nullptr;
TForm11 *Form11 = nullptr;
TForm12 *Form12 = nullptr;
TForm13 *Form13 = nullptr;
TForm4 *Form4 = nullptr;
TForm10 *Form10 = nullptr;
TForm6 *Form6 = nullptr;
