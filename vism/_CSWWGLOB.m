%CSWWGLOB ; Record operations and value checks of the bound globals (TMGlobal)
 ;
 ; Each entry point is one client execution, for example
 ;   $$REFRESH^%CSWWGLOB("^TGGCFG","1|10|A")
 ; run inside an exclusive NEW that leaves only the registers P0..P9 visible.
 ; The entry points read and set those registers as their comments say and
 ; answer with the function's value (the control's ResultValue).
 ;
 ; The node. The first argument names a global: "^" and an M name, nothing
 ; more (no subscripts, no extended reference); anything else raises
 ; %GTM-E-GVINVALID. The keys argument holds the node's subscripts joined by
 ; "|": ("^X","7|A") is ^X(7,"A") and the empty text is the root ^X (a global
 ; without key levels; DELETE refuses it). References are built with $NAME and subscript
 ; indirection from values held in locals; no argument is ever executed.
 ;  - A key value cannot hold "|": the client joins the values with "|" and
 ;    splits answers at every "|", with no escape. Quotes, "^" and any other
 ;    byte are plain data (the client doubles quotes inside its literals).
 ;  - Keys are used as given, never converted. A canonical number ("7",
 ;    "-1.5", ".5") is that number as a subscript and collates before every
 ;    string, so "7" and 7 are one node; "007", "1.50", "0.5" and "+7" are
 ;    strings. NEXT and LAST give subscripts back as M holds them, which is
 ;    the text that was stored.
 ;  - A key holds at most 255 bytes (GT.M's limit for a lock subscript).
 ;  - A key text with an empty value in it ("5|" while the second key is
 ;    being typed) names no node: REFRESH reads an empty record, EDIT, POST
 ;    and DELETE answer 1 and change nothing, CANCEL does nothing.
 ;  - A record is a node that holds a value; the nodes beneath it (memo
 ;    lines, detail records) belong to it and are deleted with it.
 ;
 ; Locks. EDIT takes an M LOCK on the node for this server process, which
 ; serves one workstation's control; the lock stands across executions until
 ; POST or CANCEL of the node releases it or the process ends. Meanwhile every
 ; other process gets 1 from EDIT, POST and DELETE and sees 1 on REFRESH.
 ; Locks on ancestors and descendants conflict as M locks do, so an edited
 ; master record also keeps its detail records from being edited elsewhere.
 ; Every LOCK here is incremental (L +, L -): other locks of the process stay.
 ; Within one process a lock never conflicts with itself: two globals on one
 ; control share its locks.
 ; Between executions this process holds a node's lock at one level at most:
 ; EDIT never adds a second one, and the other entry points give back what
 ; they take. Lock levels are not read back (ZSHOW "L" does not list the
 ; locks of a database served over GT.CM), they are kept to by construction.
 ;
 ; Check rules (CHECK). ^CSWWCHK(code) holds an M expression written by the
 ; administrator. It is evaluated with only these locals defined:
 ;   V  the value being checked
 ;   R  the record (its pieces joined by the global's separator)
 ;   K  the key values joined by "|"
 ; and must give 0 for a valid value or k = 1, 2, ... to refuse it with the
 ; client's message line k (counted from 1); a fraction is cut to its integer
 ; part and a negative answer counts as 1. Example:
 ;   S ^CSWWCHK("CLI")="$S(V'?1.N:1,V>999:2,1:0)"
 ; A code without a rule accepts every value. The rule is evaluated as the
 ; right-hand side of a SET, so it must be one expression. Only the stored
 ; expression is executed: the caller's code selects it and V, R and K are
 ; data, so a rule must not apply indirection or XECUTE to them.
 Q
 ;
REFRESH(gbl,keys) ; Read a node.
 ; Out: P1 = the record ("" when the node holds none).
 ; Answer: 1 when another process holds the node's lock, else 0.
 N ref
 S ref=$$NODE(gbl,keys)
 I ref="" S P1="" Q 0
 S P1=$G(@ref)
 Q '$$FREE(ref)
 ;
EDIT(gbl,keys) ; Lock a node for this process and read it.
 ; Answer: 0 = granted, P1 = the record; 1 = locked by another process, P1
 ; unchanged. Asking again while holding the lock grants it again without
 ; stacking a second lock level: the lock is given back and taken anew (in
 ; that instant another process may take it, and the answer is then 1).
 N ref
 S ref=$$NODE(gbl,keys)
 I ref="" Q 1
 L -@ref
 L +@ref:0 E  Q 1
 S P1=$G(@ref)
 Q 0
 ;
POST(gbl,keys,edit) ; Write a node and release this process's lock on it.
 ; In: P0 = the record; edit = 1 after a granted EDIT, 0 for a new node. The
 ; flag does not change the answer: the record is written whenever no other
 ; process holds the node's lock.
 ; Answer: 0 = written; 1 = locked by another process, nothing written.
 N ref
 S ref=$$NODE(gbl,keys)
 I ref="" Q 1
 L +@ref:0 E  Q 1
 S @ref=$G(P0)
 ; the level just taken, and the one a granted EDIT left
 L -@ref L -@ref
 Q 0
 ;
DELETE(gbl,keys) ; Delete a node with everything beneath it.
 ; Answer: 0 = deleted (also when it did not exist); 1 = nothing deleted
 ; because another process holds a lock on it or beneath it, or because the
 ; key text is empty: an empty text would be the root, that is the whole
 ; global, which a client without a typed key must not wipe out.
 ; This process's own EDIT lock on the node stays until POST or CANCEL.
 N ref
 S ref=$$NODE(gbl,keys)
 I keys=""!(ref="") Q 1
 L +@ref:0 E  Q 1
 K @ref
 L -@ref
 Q 0
 ;
CANCEL(gbl,keys) ; Release this process's lock on a node.
 ; Answer: 0.
 N ref
 S ref=$$NODE(gbl,keys)
 I ref'="" L -@ref
 Q 0
 ;
NEXT(gbl,keys,inicios,finais) ; Step to the next record within the ranges.
 ; The next record is the first node holding a value, in M collation order
 ; over all levels, after the node of keys, whose value at each level i lies
 ; between $P(inicios,"|",i) and $P(finais,"|",i), both included; an empty
 ; bound is open. An empty key sorts before every value of its level, so
 ; keys "" (or "12|" with a first level fixed at 12) give the first record.
 ; The number of levels is the largest number of "|"-pieces of the three.
 ; Answer: 0 = found, P0 = its record, P1 = its keys joined by "|";
 ;         1 = no next record, P0 and P1 unchanged.
 N lev,cur,lo,hi,sub,ref
 D NAME(gbl),RANGES
 I '$$FWD(gbl,1,1) Q 1
 D FOUND
 Q 0
 ;
LAST(gbl,keys,inicios,finais) ; Step to the last record within the ranges.
 ; Ranges and levels as for NEXT; keys only matter when there is no record.
 ; Answer: 0 = found, P0 = its record, P1 = its keys joined by "|";
 ;         1 = no record in the ranges, P0 = "" and P1 = keys, so the client
 ;         stays where it is.
 N lev,cur,lo,hi,sub,ref
 D NAME(gbl),RANGES
 I '$$BWD(gbl,1) S P0="",P1=keys Q 1
 D FOUND
 Q 0
 ;
CHECK(code,record,keys,value) ; Check a typed value with the rule named code.
 ; Answer: 0 = valid; k >= 1 = refused with message line k (see the header).
 N rule
 I code="" Q 0
 S rule=$G(^CSWWCHK(code))
 I rule="" Q 0
 Q $$RULE(rule,value,record,keys)
 ;
 ; --- internals --------------------------------------------------------
 ;
RULE(%RULE,V,R,K) ; Evaluate a stored rule seeing only V, R and K.
 N (%RULE,V,R,K)
 N %ANSWER
 S @("%ANSWER="_%RULE),%ANSWER=+%ANSWER\1
 Q $S(%ANSWER<0:1,1:%ANSWER)
 ;
NODE(gbl,keys) ; Reference of the node, or "" when a key value is empty.
 N ref,i,k
 D NAME(gbl)
 S ref=gbl
 I keys="" Q ref
 F i=1:1:$L(keys,"|") S k=$P(keys,"|",i) Q:k=""  S ref=$NA(@ref@(k))
 Q $S(k="":"",1:ref)
 ;
NAME(gbl) ; Refuse anything but "^" and an M name.
 I $L(gbl)>32!(gbl'?1"^"1(1"%",1A).AN) ZMESSAGE 150339858:gbl ; GVINVALID
 Q
 ;
FREE(ref) ; True when no other process holds a conflicting lock.
 L +@ref:0 E  Q 0
 L -@ref
 Q 1
 ;
RANGES ; NEXT and LAST: per level i, cur(i), lo(i), hi(i); lev levels.
 N i
 S lev=$L(keys,"|")
 I $L(inicios,"|")>lev S lev=$L(inicios,"|")
 I $L(finais,"|")>lev S lev=$L(finais,"|")
 F i=1:1:lev S cur(i)=$P(keys,"|",i),lo(i)=$P(inicios,"|",i),hi(i)=$P(finais,"|",i)
 Q
 ;
FOUND ; NEXT and LAST: deliver the node of sub(1..lev).
 N i,k
 S ref=gbl,k=""
 F i=1:1:lev S ref=$NA(@ref@(sub(i))),k=k_$S(i>1:"|",1:"")_sub(i)
 S P0=$G(@ref),P1=k
 Q
 ;
BELOW(s,i) ; True when s sorts before level i's first value.
 Q lo(i)'=""&(lo(i)]]s)
 ;
ABOVE(s,i) ; True when s sorts after level i's last value.
 Q hi(i)'=""&(s]]hi(i))
 ;
FWD(ref,i,tight) ; First record at level i or below within the ranges.
 ; tight: the levels before i equal the current keys, so only nodes after
 ; cur(i..lev) count. Sets sub(i..lev).
 N s,c
 S c=$S(tight:cur(i),1:"")
 I c'="",$$BELOW(c,i) S c=""
 I c'="",$$ABOVE(c,i) Q 0
 I c'="",i<lev,$$FWD($NA(@ref@(c)),i+1,1) S sub(i)=c Q 1
 I c'="" S s=$O(@ref@(c))
 E  I lo(i)="" S s=$O(@ref@(""))
 E  S s=$S($D(@ref@(lo(i))):lo(i),1:$O(@ref@(lo(i))))
 F  Q:s=""  Q:$$ABOVE(s,i)  Q:$$TAKE(ref,s,i,1)  S s=$O(@ref@(s))
 I s=""!$$ABOVE(s,i) Q 0
 Q 1
 ;
BWD(ref,i) ; Last record at level i or below within the ranges; sets sub(i..lev).
 N s
 I hi(i)="" S s=$O(@ref@(""),-1)
 E  S s=$S($D(@ref@(hi(i))):hi(i),1:$O(@ref@(hi(i)),-1))
 F  Q:s=""  Q:$$BELOW(s,i)  Q:$$TAKE(ref,s,i,-1)  S s=$O(@ref@(s),-1)
 I s=""!$$BELOW(s,i) Q 0
 Q 1
 ;
TAKE(ref,s,i,dir) ; True when node s of level i is, or leads to, a record.
 N node
 S node=$NA(@ref@(s))
 I i=lev Q:$D(@node)#2 $$SET(i,s) Q 0
 I $D(@node)<10 Q 0
 I $S(dir>0:$$FWD(node,i+1,0),1:$$BWD(node,i+1)) Q $$SET(i,s)
 Q 0
 ;
SET(i,s) ; Record the subscript of level i; true.
 S sub(i)=s
 Q 1
