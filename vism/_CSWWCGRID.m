%CSWWCGRID ; Rows of the bound grid (TCGrid), one per client execution
 ;
 ; $$LE^%CSWWCGRID delivers the records of one global one at a time, in M
 ; collation order over all key levels and within each level's first and
 ; last values, as NEXT^%CSWWGLOB walks them (the node, the keys and the
 ; ranges are read exactly as there). The client writes before every run:
 ;   P0  the global: "^" and an M name (anything else: %GTM-E-GVINVALID)
 ;   P1  the keys of the row delivered last, joined by "|"; a load's first
 ;       run sends the first values (P2) instead
 ;   P2  each level's first value, joined by "|"; an empty value is open
 ;   P3  each level's last value, joined by "|"; an empty value is open
 ;   P4  the piece list: "^"-piece j is the record piece that grid column j
 ;       shows, empty for a column that shows no piece; 0 counts as 1
 ;   P5  the sub-global list: "|"-piece j names the global ("^" and a name)
 ;       whose node at the row's keys holds column j's piece; empty for the
 ;       row's own record
 ;   P6  the name of a stored filter (see Filters), empty for none
 ;   P7  1 while the load has received no row yet (its runs start at P1
 ;       itself), anything else once it has (they go on after P1)
 ; The routine keeps nothing from one run to the next: every run is told by
 ; these registers alone where to go on, so the other registers, which code
 ; of the application may write between runs, change nothing.
 ;
 ; Answer 0: the next row. P1 = its keys joined by "|", P4 = its content:
 ;   "|"-piece 1 holds, at each piece number that the piece list names for a
 ;   column without a sub-global, that piece of the record (the other
 ;   pieces empty). When some column names a sub-global, a "|" and the same
 ;   for the sub-global columns follow, each piece taken from its column's
 ;   sub-global node; two such columns showing one piece number share its
 ;   place, the later one wins.
 ; Answer 1: no row is left; P1 and P4 stay as the client wrote them.
 ; No other answer is given.
 ;
 ; Values holding "|" cannot be told from the separators (the client splits
 ; keys and content at every "|"), nor pieces holding "^".
 ;
 ; Where a load starts. A load begins with P1 equal to P2, and its first row
 ; may lie exactly at the first values when every level has one. With P7 1
 ; the node of P1 itself is therefore delivered when it is a record within
 ; the ranges that the filter lists; otherwise, and with any other P7, the
 ; load goes on after the node of P1, so a row is never delivered twice.
 ;
 ; Filters. ^CSWWFILT(name) holds an M expression written by the
 ; administrator; a row is listed when its value, cut to an integer, is not
 ; 0. It is evaluated as a check rule of %CSWWGLOB is, seeing only
 ;   R  the record
 ;   K  the row's keys joined by "|"
 ;   V  empty
 ; A name without a stored filter lists every row. Only the stored
 ; expression is executed; the client's text only selects it. Example:
 ;   S ^CSWWFILT("ATIVOS")="$P(R,""^"",5)=""A"""
 Q
 ;
LE() ; Next row of the grid (see the header).
 N gbl,keys,ini,fim,pcs,sgs,rule,p0,p1,ref,end
 S (gbl,p0)=$G(P0),(keys,p1)=$G(P1),ini=$G(P2),fim=$G(P3),pcs=$G(P4),sgs=$G(P5)
 S rule=$S($G(P6)="":"",1:$G(^CSWWFILT(P6)))
 I $G(P7)=1 S ref=$$RECORD(gbl,keys,ini,fim) I ref'="",$$LISTED(rule,@ref,keys) S P4=$$CONTENT(keys,@ref,pcs,sgs),P0=p0,P1=keys Q 0
 ; NEXT leaves the record in P0 and the keys in P1.
 F  S end=$$NEXT^%CSWWGLOB(gbl,keys,ini,fim) Q:end  S keys=P1 Q:$$LISTED(rule,P0,keys)
 I end S P0=p0,P1=p1 Q 1
 S P4=$$CONTENT(keys,P0,pcs,sgs),P0=p0
 Q 0
 ;
 ; --- internals --------------------------------------------------------
 ;
RECORD(gbl,keys,ini,fim) ; The node of keys when it is a record within the
 ; ranges, with a value at every level (counted as NEXT counts them); else "".
 N lev,i,k,lo,hi,out,ref
 S lev=$L(keys,"|")
 I $L(ini,"|")>lev S lev=$L(ini,"|")
 I $L(fim,"|")>lev S lev=$L(fim,"|")
 S out=0
 F i=1:1:lev S k=$P(keys,"|",i),lo=$P(ini,"|",i),hi=$P(fim,"|",i) I k=""!(lo'=""&(lo]]k))!(hi'=""&(k]]hi)) S out=1 Q
 I out Q ""
 S ref=$$NODE^%CSWWGLOB(gbl,keys)
 I ref="" Q ""
 Q $S($D(@ref)#2:ref,1:"")
 ;
LISTED(rule,rec,keys) ; True when the filter lists the row; no filter lists all.
 I rule="" Q 1
 Q $$RULE^%CSWWGLOB(rule,"",rec,keys)'=0
 ;
CONTENT(keys,rec,pcs,sgs) ; The row's content for the columns (see the header).
 N own,sub,n,j,p,sg,ref
 S (own,sub)="",n=$L(pcs,"^")
 I $L(sgs,"|")>n S n=$L(sgs,"|")
 F j=1:1:n S p=$P(pcs,"^",j) I p'="" S p=$S(+p<1:1,1:+p),sg=$P(sgs,"|",j) D
 . I sg="" S $P(own,"^",p)=$P(rec,"^",p) Q
 . S ref=$$NODE^%CSWWGLOB(sg,keys)
 . S $P(sub,"^",p)=$P($S(ref="":"",1:$G(@ref)),"^",p)
 Q own_$S(sgs?."|":"",1:"|"_sub)
