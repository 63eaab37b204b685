TRVLINES ; M lines read from standard input for scripts/m-direct when that is no terminal
 ;
 ; Each line runs as a line typed in direct mode does, all at one level: locals, M
 ; LOCKs and the naked reference carry over from one line to the next; a transaction,
 ; though, must end on the line that starts it, as each line is an XECUTE. Unlike direct
 ; mode, which reports an error and reads on, the first line that raises an error ends
 ; the run: "m-direct: line <n>: " and the error go to standard error, the lines after
 ; it do not run, and the status is 1. The end of the input ends the run with status 0.
 ; The running line's number is kept in $ETRAP, not in a local: a line may kill them all.
 S $ETRAP="D FAILED^TRVLINES(0)"
 F  X $$NEXT() Q:$ZEOF
 Q
 ;
NEXT() ; the next line ("" at the end of the input), with the trap naming its number
 N line
 R line
 S $ETRAP="D FAILED^TRVLINES("_($P($ETRAP,"(",2)+1)_")"
 Q line
 ;
FAILED(line) ; reports the error of line number line and ends the run
 N error,place
 S $ETRAP="ZHALT 1",error=$ZSTATUS,place=$P(error,",",2)
 O "/dev/stderr" U "/dev/stderr"
 W "m-direct: line ",line,": ",$P(error,",",3,$L(error,","))
 ; the place of an error in a routine the line called; the line's own is ours
 W:$P(place,"^",2)'="TRVLINES" " (at ",place,")"
 W !
 ZHALT 1
