#include "Forms.h"

#include "TForm1.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;

void CreateForms(vorkan::VolumeOps& ops) {
  Form1 = new TForm1(ops);
  Form2 = new TForm2(Form1, Form1->abortRequested, Form1->pauseRequested);
  Form3 = new TForm3(Form1);
  Form4 = new TForm4(Form1);
  Form1->UseWindows(Form2, Form3, Form4);
}

void DestroyForms() {
  delete Form4;
  Form4 = nullptr;
  delete Form3;
  Form3 = nullptr;
  delete Form2;
  Form2 = nullptr;
  delete Form1;
  Form1 = nullptr;
}
