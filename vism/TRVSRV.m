TRVSRV ; Trevask M server: runs the code of one VisM control, one request at a time
 ;
 ; Requests come in on fd 3 (a pipe); answers go out on the local socket "answers" in
 ; the server's private folder, whose path is the command line. Nothing else reaches the
 ; control: the principal device, the current device of the caller's code, writes to
 ; /dev/null and reads a pipe that never delivers anything (a read gives nothing at once),
 ; so what the code or a process it starts prints or reads is lost harmlessly.
 ; Every value is a byte string; lengths are 8 decimal digits.
 ;
 ; Request: kind ("C" command line, "F" extrinsic function), 11 lengths (code, P0 to
 ;   P9), then the values.
 ; Answer: status ("0" ran, "1" M error), twelve entries of a defined flag ("0" or "1")
 ;   and a length (error text, result, P0 to P9), then the defined values.
 ;
 ; The caller's code runs under an exclusive NEW of the registers P0-P9; only those
 ; survive a run. Every run starts where the server started, whatever a run before
 ; changed: in the namespace's global directory, with the server's routine path, devices
 ; and error handling. M LOCKs a run takes stay held until it releases them or the
 ; server ends. Every request gets one answer: code that leaves its run other than by
 ; returning (ZGOTO to a level of the server, or a $ZTRAP that does) gets the error
 ; %TRVSRV-E-ESCAPED, an M error that unwinds past the code gets its own.
 N $ETRAP S $ETRAP="G FATAL^TRVSRV"
 N in,out,running,gbldir,routines
 S in="/dev/fd/3",out="answers",running=0
 S gbldir=$ZGBLDIR,routines=$ZROUTINES
 O out:(CONNECT=$ZCMDLINE_"/answers:LOCAL"):60:"SOCKET" E  ZHALT 4
 U out:NOWRAP
 F  D SERVE
 ;
SERVE ; one request: read it, run the code, answer
 ; Written out value by value rather than in loops: this runs for every request.
 D:running ANSWER(1,"%TRVSRV-E-ESCAPED, The code left its run without returning to the server")
 N kind,head,e0,e1,e2,e3,e4,e5,e6,e7,e8,e9,e10,body,code
 S $ETRAP="G TRAP^TRVSRV"
 O in:(FIXED:RECORDSIZE=1048576:READONLY)
 S head=$$GET(89),kind=$E(head)
 ; where the code and each register end in the values
 S e0=+$E(head,2,9),e1=e0+$E(head,10,17),e2=e1+$E(head,18,25),e3=e2+$E(head,26,33)
 S e4=e3+$E(head,34,41),e5=e4+$E(head,42,49),e6=e5+$E(head,50,57),e7=e6+$E(head,58,65)
 S e8=e7+$E(head,66,73),e9=e8+$E(head,74,81),e10=e9+$E(head,82,89)
 I e10>1048576 D VALUES
 E  D
 . S body=$$GET(e10),code=$E(body,1,e0),P0=$E(body,e0+1,e1),P1=$E(body,e1+1,e2),P2=$E(body,e2+1,e3)
 . S P3=$E(body,e3+1,e4),P4=$E(body,e4+1,e5),P5=$E(body,e5+1,e6),P6=$E(body,e6+1,e7)
 . S P7=$E(body,e7+1,e8),P8=$E(body,e8+1,e9),P9=$E(body,e9+1,e10)
 S running=1
 D RUN
 Q
 ;
VALUES ; a request longer than one M string: a READ per value
 S code=$$GET(e0),P0=$$GET(e1-e0),P1=$$GET(e2-e1),P2=$$GET(e3-e2),P3=$$GET(e4-e3),P4=$$GET(e5-e4)
 S P5=$$GET(e6-e5),P6=$$GET(e7-e6),P7=$$GET(e8-e7),P8=$$GET(e9-e8),P9=$$GET(e10-e9)
 Q
 ;
RUN ; the caller's code, from where the server started; an M error in it ends here
 N $ETRAP S $ETRAP="ZGOTO "_$ZLEVEL_":ERR^TRVSRV"
 S:$ZGBLDIR'=gbldir $ZGBLDIR=gbldir
 S:$ZROUTINES'=routines $ZROUTINES=routines
 U $P
 I kind="F" X "N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9,%TRVRV) S %TRVRV="_code
 E  X "N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9) "_code
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
 ; Written out register by register: this runs for every request.
 N head,size
 S running=0
 S head=status_"1"_$E(100000000+$L(error),2,9)
 S head=head_$S($D(%TRVRV)#2:"1"_$E(100000000+$L(%TRVRV),2,9),1:"000000000")
 S head=head_$S($D(P0)#2:"1"_$E(100000000+$L(P0),2,9),1:"000000000")
 S head=head_$S($D(P1)#2:"1"_$E(100000000+$L(P1),2,9),1:"000000000")
 S head=head_$S($D(P2)#2:"1"_$E(100000000+$L(P2),2,9),1:"000000000")
 S head=head_$S($D(P3)#2:"1"_$E(100000000+$L(P3),2,9),1:"000000000")
 S head=head_$S($D(P4)#2:"1"_$E(100000000+$L(P4),2,9),1:"000000000")
 S head=head_$S($D(P5)#2:"1"_$E(100000000+$L(P5),2,9),1:"000000000")
 S head=head_$S($D(P6)#2:"1"_$E(100000000+$L(P6),2,9),1:"000000000")
 S head=head_$S($D(P7)#2:"1"_$E(100000000+$L(P7),2,9),1:"000000000")
 S head=head_$S($D(P8)#2:"1"_$E(100000000+$L(P8),2,9),1:"000000000")
 S head=head_$S($D(P9)#2:"1"_$E(100000000+$L(P9),2,9),1:"000000000")
 S size=$L(head)+$L(error)+$L($G(%TRVRV))+$L($G(P0))+$L($G(P1))+$L($G(P2))+$L($G(P3))
 S size=size+$L($G(P4))+$L($G(P5))+$L($G(P6))+$L($G(P7))+$L($G(P8))+$L($G(P9))
 U out
 ; one WRITE of one value per answer (a WRITE of a concatenation sends each of its parts)
 ; unless it would pass the longest M string
 I size'>1048576 S head=head_error_$G(%TRVRV)_$G(P0)_$G(P1)_$G(P2)_$G(P3)_$G(P4)_$G(P5)_$G(P6)_$G(P7)_$G(P8)_$G(P9)
 I size'>1048576 W head
 E  W head,error,$G(%TRVRV),$G(P0),$G(P1),$G(P2),$G(P3),$G(P4),$G(P5),$G(P6),$G(P7),$G(P8),$G(P9)
 K P0,P1,P2,P3,P4,P5,P6,P7,P8,P9,%TRVRV
 Q
 ;
LIT(n) ; the value of the n-th long string literal the control took out of the code
 ; The control wrote it to the file n of the server's folder. Reached from the code only
 ; through this call, so nothing the code does to its locals touches it; the code's
 ; current device, with its $ZEOF and $KEY, stays as it was.
 N io,file,value,part
 S io=$IO,file=$ZCMDLINE_"/"_n,value=""
 O file:(FIXED:RECORDSIZE=1048576:READONLY) U file
 F  R part#1048576 Q:$ZEOF  S value=value_part
 U io C file
 Q value
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
