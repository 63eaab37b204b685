TRVSRV ; Trevask M server: runs the code of one VisM control, one request at a time
 ;
 ; Requests come in on fd 3 (a pipe); answers go out on a local socket of the control,
 ; whose path is the command line. Nothing else reaches the control: the principal
 ; device is /dev/null both ways and is the current device of the caller's code, so what
 ; the code or a process it starts prints or reads is lost harmlessly. Every run starts
 ; with the server's devices in place, whatever the code before closed.
 ; Every value is a byte string; lengths are 8 decimal digits.
 ;
 ; Request: kind ("C" command line, "F" extrinsic function), the number n of literal
 ;   values, 11+n lengths (code, P0 to P9, literal values), then the values.
 ; Answer: status ("0" ran, "1" M error), twelve entries of a defined flag ("0" or "1")
 ;   and a length (error text, result, P0 to P9), then the defined values.
 ;
 ; The caller's code runs under an exclusive NEW of the registers P0-P9 and of %TRVLIT,
 ; which holds the string literals the control took out of a long code (%TRVLIT(1), ...);
 ; only those survive a run. M LOCKs it takes stay held until it releases them or the
 ; server ends. Every request gets one answer: code that leaves its run other than by
 ; returning (ZGOTO to a level of the server, or a $ZTRAP that does) gets the error
 ; %TRVSRV-E-ESCAPED, an M error that unwinds past the code gets its own.
 N $ETRAP S $ETRAP="G FATAL^TRVSRV"
 N in,out,running
 S in="/dev/fd/3",out="answers",running=0
 O out:(CONNECT=$ZCMDLINE_":LOCAL"):60:"SOCKET" E  ZHALT 4
 U out:NOWRAP
 F  D SERVE
 ;
SERVE ; one request: read it, run the code, answer
 D:running ANSWER(1,"%TRVSRV-E-ESCAPED, The code left its run without returning to the server")
 N kind,head,n,len,total,body,at,i,v,code
 S $ETRAP="G TRAP^TRVSRV"
 O in:(FIXED:RECORDSIZE=1048576:READONLY)
 S head=$$GET(97),kind=$E(head),n=+$E(head,2,9),total=0
 F i=0:1:10 S len(i)=+$E(head,10+(8*i),17+(8*i)),total=total+len(i)
 I n S head=$$GET(8*n) F i=1:1:n S len(10+i)=+$E(head,8*i-7,8*i),total=total+len(10+i)
 ; a request that fits in one M string comes in one READ
 I total'>1048576 S body=$$GET(total),at=1 F i=0:1:10+n S v(i)=$E(body,at,at+len(i)-1),at=at+len(i)
 E  F i=0:1:10+n S v(i)=$$GET(len(i))
 S code=v(0),P0=v(1),P1=v(2),P2=v(3),P3=v(4),P4=v(5),P5=v(6),P6=v(7),P7=v(8),P8=v(9),P9=v(10)
 F i=1:1:n S %TRVLIT(i)=v(10+i)
 K body,v
 S running=1
 D RUN
 Q
 ;
RUN ; the caller's code; an M error in it ends here
 N $ETRAP S $ETRAP="ZGOTO "_$ZLEVEL_":ERR^TRVSRV"
 U $P
 I kind="F" X "N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9,%TRVLIT,%TRVRV) S %TRVRV="_code
 E  X "N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9,%TRVLIT) "_code
 S $ETRAP="G FATAL^TRVSRV"
 D ANSWER(0,"")
 Q
 ;
ERR ; the caller's code failed: roll back, report the error, keep everything else
 S $ETRAP="G FATAL^TRVSRV"
 N error
 S error=$ZSTATUS,$ECODE=""
 TRO:$TLEVEL
 D ANSWER(1,$P(error,",",3,$L(error,",")))
 Q
 ;
TRAP ; an M error outside RUN's own trap: the code's (it cleared that trap) or ours
 G:running ERR^TRVSRV
 G FATAL^TRVSRV
 ;
ANSWER(status,error) ; answer the request with what the run left in the registers
 N v,i,head,size
 S running=0
 U out
 S v(1)=error,size=$L(error)+109
 S:$D(%TRVRV)#2 v(2)=%TRVRV S:$D(P0)#2 v(3)=P0 S:$D(P1)#2 v(4)=P1
 S:$D(P2)#2 v(5)=P2 S:$D(P3)#2 v(6)=P3 S:$D(P4)#2 v(7)=P4 S:$D(P5)#2 v(8)=P5
 S:$D(P6)#2 v(9)=P6 S:$D(P7)#2 v(10)=P7 S:$D(P8)#2 v(11)=P8 S:$D(P9)#2 v(12)=P9
 K P0,P1,P2,P3,P4,P5,P6,P7,P8,P9,%TRVRV,%TRVLIT
 S head=status
 F i=1:1:12 S head=head_$S($D(v(i)):"1"_$E(100000000+$L($G(v(i))),2,9),1:"000000000")
 F i=2:1:12 S size=size+$L($G(v(i)))
 ; one WRITE per answer unless it would pass the longest M string
 I size'>1048576 S i="" F  S i=$O(v(i)) Q:i=""  S head=head_v(i)
 I size'>1048576 W head Q
 W head S i="" F  S i=$O(v(i)) Q:i=""  W v(i)
 Q
 ;
GET(n) ; the next n bytes of the request; the end of input ends the server
 N x,p
 S x=""
 U in
 F  Q:$L(x)'<n  R p#(n-$L(x)) H:p=""  S x=x_p
 Q x
 ;
FATAL ; a failure of the server itself: say why on stderr and end
 N dev
 S dev="/dev/fd/2",$ETRAP="ZHALT 3"
 O dev U dev W "TRVSRV: ",$ZSTATUS,! C dev
 ZHALT 3
