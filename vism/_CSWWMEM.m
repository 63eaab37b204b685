%CSWWMEM ; Memo lines of the memory globals (TMGloMem)
 ;
 ; A memory global keeps a multi-line text beneath the record of its master
 ; global, one node per line:
 ;   ^X(k1,...,kn,"%CSWWMEM",i) = line i, for i = 1, 2, ...
 ; Each entry point is one client execution, for example
 ;   $$GET^%CSWWMEM("^X","7|A","")
 ; run inside an exclusive NEW that leaves only the registers P0..P9 visible.
 ;
 ; The record's node is named as %CSWWGLOB names it (its NODE builds the
 ; reference, see the header there): the global's name and the key values
 ; joined by "|", no argument ever executed. The lines lie beneath the
 ; record, so deleting the record deletes them. A key text with an empty value
 ; in it names no node: GET finds no line, MAT and SET change nothing. No key
 ; level of a global with memo lines may hold the value "%CSWWMEM".
 ;
 ; Writing a text is MAT, then one SET per line in order, then one SET more:
 ; the line after the last, with an empty text, which closes the text. That
 ; closing line is stored like the others, and GET gives every stored line but
 ; a last one that is empty. So the text "" is stored as two empty lines and
 ; reads back as "", and a text whose own last line is empty keeps it.
 ; Lines are bytes; the client joins them with its separator, which a line
 ; cannot hold.
 Q
 ;
GET(gbl,keys,sub) ; The line after line sub; the first line when sub is "".
 ; Out: P0 = its text, P1 = its line number; both "" when there is none.
 ; Answer: 0 = a line was found; 1 = no further line.
 N ref,i
 S ref=$$LINES(gbl,keys),(P0,P1)=""
 I ref="" Q 1
 S i=$O(@ref@(sub))
 I i="" Q 1
 I $O(@ref@(i))="",$G(@ref@(i))="" Q 1
 S P0=$G(@ref@(i)),P1=i
 Q 0
 ;
MAT(gbl,keys) ; Delete every line of the text.
 ; Answer: 0 = deleted (also when there were none); 1 = a key value is empty.
 N ref
 S ref=$$LINES(gbl,keys)
 I ref="" Q 1
 K @ref
 Q 0
 ;
SET(gbl,keys) ; Store one line.
 ; In: P1 = the line number, an integer from 1; P0 = its text.
 ; Answer: 0 = stored; 1 = nothing stored, because a key value is empty or
 ; P1 is not a line number.
 N ref
 S ref=$$LINES(gbl,keys)
 I ref="" Q 1
 I $G(P1)'?1.N Q 1
 I P1<1 Q 1
 S @ref@(+P1)=$G(P0)
 Q 0
 ;
 ; --- internals --------------------------------------------------------
 ;
LINES(gbl,keys) ; Reference of the text's lines, or "" when a key value is empty.
 N ref
 S ref=$$NODE^%CSWWGLOB(gbl,keys)
 I ref="" Q ""
 Q $NA(@ref@("%CSWWMEM"))
