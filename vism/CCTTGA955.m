CCTTGA955 ; Terminals of each company, for the configuration window's list
 ;
 ; Storage: ^CCTTGA955(company,terminal)=description
 ;   company   the company code (an integer, as the workstation's
 ;             configuration names it)
 ;   terminal  the terminal's code: the text the workstation keeps as its
 ;             terminal and uses as the second subscript of ^PESAGEM
 ; Terminals are listed in M collation order of their codes (canonical
 ; numbers first, then strings).
 ;
 ; An administrator adds or renames a terminal in the workstations'
 ; namespace, for example in scripts/m-direct NAMESPACE (direct mode there):
 ;   S ^CCTTGA955(1,"BAL01")="Expedi"_$C(231,227)_"o"
 ; (descriptions are Windows-1252 text, as the workstations show them: an
 ; accented letter goes in as its code, not as a UTF-8 terminal types it)
 ; and removes one with K ^CCTTGA955(1,"BAL01"). Workstations see the change
 ; the next time their configuration window opens.
 Q
 ;
TERMCRU() ; Next terminal of a company, one per execution.
 ; In:  P0 = the company; P1 = the code delivered by the previous execution,
 ;      "" on the first.
 ; Out: P1 = the next terminal's code, P2 = its description; answer 0.
 ;      After the last terminal (or for an empty company) the answer is 1
 ;      and P1 and P2 are left as they are.
 N company,terminal
 S company=$G(P0),terminal=$G(P1)
 I company="" Q 1
 S terminal=$O(^CCTTGA955(company,terminal))
 I terminal="" Q 1
 S P1=terminal,P2=$G(^CCTTGA955(company,terminal))
 Q 0
