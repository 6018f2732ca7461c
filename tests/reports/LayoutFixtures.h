#pragma once

#include <QString>

// The register reports' layouts as their tables give them: the reader must take them as they are.
namespace LayoutFixtures {

inline const QString kProtDet = QString::fromUtf8(R"L(' 144 - protDet.rpt
#const {$w1 = 20mm, $w2 = 50%, $w3 = 50%}
#CacheTable {"T1 TEXT(130)", "T2 TEXT(130)", "T3 TEXT(20)", "T4 text(200)", "m1 MEMO", "m2 memo"}
#page {orientation=P, Font="Arial Greek", Font=7, Logo=T, Date=T, Color=T, PageNo=T,
       LM=15mm, RM=15mm, TM=15mm, BM=15mm, }
#pageFrame {LT=1, LB=1}
#line {$$PH1_Line}
  #col {$$PH1_col1}
  #col {hAlign=right, val="ΠΡΩΤΟΚΟΛΛΟ"}
#lineEnd {....}
#line {key=H1, h=1.3L, LB=1, lt=1, keepWith=1, fontstyle=B, vAlign=mid}
  #col {W=30%, val="ΕΙΣΕΡΧΟΜΕNΑ"}
  #col {w=30%, field=T2, forecolor=$BLUE, Halign=center}
  #col {W=30%, val="ΕΞΕΡΧΟΜΕΝΑ", hAlign=right}
#lineEnd {....}
#line {key=D3, H=1L, keepWith=1}
  #col {W=$w1, field=t1, fontstyle=B}
  #col {W=50%, field=t2, LR=1}
  #col {W=$w1, field=t3, fontstyle=B}
  #col {W=50%, field=t4}
#lineEnd {....}
#line {key=D3a, H=1L, keepWith=1}
  #col {W=$w1, field=t1, fontstyle=B}
  #col {W=50%, field=m1, Wrap=var, LR=1}
  #col {W=$w1, field=t3, fontstyle=B}
  #col {W=50%, field=m2, Wrap=var}
#lineEnd {....}
#line {key=D4, H=1.1L, keepWith=1}
  #col {W=$w1, field=t1, fontstyle=B}
  #col {W=100%, field=M1, Wrap=var}
#lineEnd {....}
#line {key=D4a, lt=1, H=1.2L, keepWith=1, fontstyle=B}
  #col {W=$w1, field=t1, forecolor=$BLUE}
  #col {W=100%, field=t2, forecolor=$BLUE}
#lineEnd {....}
#line {key=D5, H=0.3L}
  #col {...}
#lineEnd {....}
#line {$$PF_line}
  #col {$$PF_col1}
  #col {$$PF_col2}
  #col {$$PF_col3}
#lineEnd {....}
)L");

inline const QString kProtGroup = QString::fromUtf8(R"L(' 145 - protocolGroup.rpt
#const {$w1 = 70%, $w2 = 30%}
#CacheTable {"descr TEXT(120)", "cnt double"}
#page {orientation=P, Font="Arial Greek", Font=8, Logo=T, Date=T, Color=T, PageNo=T,
       LM=15mm, RM=15mm, TM=15mm, BM=15mm}
#pageFrame {LT=1, LB=1}
#line {$$PH1_Line}
  #col {$$PH1_col1}
  #col {hAlign=right, val="ΠΡΩΤΟΚΟΛΛΟ - ΣΥΝΟΛΑ"}
#lineEnd {....}
#line {key=H0, h=1.3L, LT=1, LB=1, keepWith=1, fontsize=2, fontstyle=B, vAlign=mid}
  #col {field=descr}
#lineEnd {....}
#line {key=H1, h=1.3L, LT=0, LB=0, keepWith=1, fontstyle=B, vAlign=mid}
  #col {W=$w1, val="ΠΕΡΙΓΡΑΦΗ"}
  #col {W=$w2, val="ΠΛΗΘΟΣ"}
#lineEnd {....}
#line {key=D1, H=1.1L, vAlign=mid}
  #col {W=$w1, field=DESCR}
  #col {W=$w2, field=CNT}
#lineEnd {....}
#line {key=EMPTY, H=1L}
  #col {...}
#lineEnd {....}
#line {$$PF_line}
  #col {$$PF_col1}
  #col {$$PF_col2}
  #col {$$PF_col3}
#lineEnd {....}
)L");

inline const QString kProtReceipt = QString::fromUtf8(R"L(' 146 - protReceipt
'#const {$w1 = 20mm}
#CacheTable {"T1 TEXT(100)", "m1 MEMO"}
#page {orientation=P, Font="Arial Greek", Font=10, Logo=T, Date=T, Color=T, PageNo=T,
       LM=15mm, RM=15mm, TM=15mm, BM=15mm}
#pageFrame {LT=0, LB=1}
#line {$$PH1_Line}
  #col {$$PH1_col1}
  #col {hAlign=right, val="ΠΡΩΤΟΚΟΛΛΟ"}
#lineEnd {....}
#line {key=H1, H=3L, LT=1, LB=1, keepWith=1, fontSize=+4, FontStyle=B, valign=mid}
  #col {hAlign=center, val="ΒΕΒΑΙΩΣΗ ΚΑΤΑΧΩΡΙΣΗΣ ΑΙΤΗΜΑΤΟΣ"}
#lineEnd {....}
#line {key=D1, H=1.2L, keepWith=1, valign=top, LB=1}
  #col {W=45mm, field=t1, LL=1, LR=0, FontStyle=B, Wrap=var}
  #col {field=m1, LR=1, Wrap=var}
#lineEnd {....}
#line {key=D2, H=1.2L, valign=top}
  #col {W=7mm, field=t1, FontStyle=B}
  #col {field=m1, LR=0, Wrap=var}
#lineEnd {....}
#line {key=D3b, H=1.3L}
  #col {W=60%}
  #col {W=40%, field=t1, FontStyle=B, hAlign=center}
#lineEnd {....}
#line {key=D3, H=1.3L}
  #col {W=60%}
  #col {W=40%, field=t1, hAlign=center}
#lineEnd {....}
#line {key=D5, H=1L, FONTSIZE=#6}
  #col {...}
#lineEnd {....}
#line {$$PF_line}
  #col {$$PF_col1}
'  #col {$$PF_col2}
'  #col {$$PF_col3}
#lineEnd {....}
)L");

}  // namespace LayoutFixtures
